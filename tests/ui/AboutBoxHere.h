#pragma once
// Kestrin's About box, from its own code and template, run in the test
// program itself.
#include "ui/AboutDlg.h"
#include "ui/DialogHere.h"
#include "ui/framework/AppModule.h"

namespace ui {

class AboutBoxHere : public DialogHere {
public:
    AboutBoxHere()
        : DialogHere("About Kestrin", [] {
              g_appModule.Init(::GetModuleHandleA(nullptr));
              CAboutDlg about;
              about.DoModal(nullptr);
          }) {}
};

}  // namespace ui
