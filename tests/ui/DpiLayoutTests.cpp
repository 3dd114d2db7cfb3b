// The two dialogs at the display's DPI: Kestrin.exe is drawn at it (its
// manifest makes it aware of the scale), and at it every control lies inside
// the client area, meets no other and has room for its text.
// tests/ui/dpi-run.sh runs these at 96, 144 and 192 DPI.
#include "ui/AboutBoxHere.h"
#include "ui/DialogTest.h"
#include "ui/LayoutFaults.h"
#include "ui/WindowDpi.h"

#include <cstdlib>

#include "resource.h"

namespace ui {
namespace {

// The DPI that dpi-run.sh gave the prefix, or the screen's in a plain run.
UINT DisplayDpi() {
    const char* given = std::getenv("KESTRIN_DPI");
    return given ? static_cast<UINT>(std::atoi(given)) : DpiOfWindow(nullptr);
}

struct Placed {
    int id;
    RECT rect;  // in the dialog's client coordinates
    bool operator==(const Placed& other) const { return id == other.id && ::EqualRect(&rect, &other.rect); }
};

BOOL CALLBACK CollectPlaced(HWND window, LPARAM parameter) {
    Placed placed = {::GetDlgCtrlID(window), {}};
    ::GetWindowRect(window, &placed.rect);
    ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&placed.rect), 2);
    reinterpret_cast<std::vector<Placed>*>(parameter)->push_back(placed);
    return TRUE;
}

std::vector<Placed> Layout(HWND dialog) {
    std::vector<Placed> controls;
    ::EnumChildWindows(dialog, CollectPlaced, reinterpret_cast<LPARAM>(&controls));
    return controls;
}

std::string Lines(const std::vector<std::string>& faults) {
    std::string text;
    for (const std::string& fault : faults) text += fault + "\n";
    return text;
}

// The main dialog's template alone: Kestrin's dialog without its code.
INT_PTR CALLBACK TemplateOnly(HWND box, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) return ::EndDialog(box, IDOK);
    return FALSE;
}

// The program's dialog and the same template here, laid out alike: what
// holds for the copy here, whose fonts this process can measure, holds for
// the program's. The copy is given the program's texts of the moment.
void ExpectSameLayoutAndNoFaults(HWND program, HWND here) {
    EXPECT_EQ(DpiOfWindow(program), DisplayDpi()) << "the program is drawn at the display's DPI";
    RECT programClient;
    RECT hereClient;
    ::GetClientRect(program, &programClient);
    ::GetClientRect(here, &hereClient);
    EXPECT_TRUE(::EqualRect(&programClient, &hereClient));
    EXPECT_TRUE(Layout(program) == Layout(here)) << "the controls lie where they lie here";
    for (const Placed& control : Layout(program)) {
        if (static_cast<WORD>(control.id) != static_cast<WORD>(IDC_STATIC)) SetText(Item(here, control.id), Text(Item(program, control.id)));
    }
    std::vector<std::string> faults = LayoutFaults(here);
    EXPECT_TRUE(faults.empty()) << Lines(faults);
}

using DpiLayoutTest = DialogTest;

TEST_F(DpiLayoutTest, BothDialogsAreDrawnAtTheDisplaysDpiAndEveryControlFits) {
    Start(kFreshSettings);
    // The progress lines at their longest: counts of a stopped search.
    Type("Explorer");
    StartSearch();
    ASSERT_TRUE(WaitFor([&] { return ControlText(kFoundLine).rfind("Found items: ", 0) == 0; }));
    Click(Control(kFindStop));
    ASSERT_TRUE(WaitForSearchEnd());
    {
        SCOPED_TRACE("main dialog");
        DialogHere main("Kestrin", [] {
            ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAINDLG), nullptr, TemplateOnly, 0);
        });
        ASSERT_NE(main.Box(), nullptr);
        ExpectSameLayoutAndNoFaults(m_main, main.Box());
    }
    Click(Control(kAbout));
    HWND about = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (about = m_kestrin->FindWindowByCaption("About Kestrin")) != nullptr; }));
    {
        SCOPED_TRACE("About box");
        AboutBoxHere here;
        ASSERT_NE(here.Box(), nullptr);
        ExpectSameLayoutAndNoFaults(about, here.Box());
    }
    ::PostMessageA(about, WM_COMMAND, IDOK, 0);
    Click(Control(kExit));
    ExpectExitWithZero();
}

}  // namespace
}  // namespace ui
