#include "ui/DialogHere.h"

#include "ui/UiDriver.h"

namespace ui {

DialogHere::DialogHere(const std::string& caption, std::function<void()> runModal) : m_thread(std::move(runModal)) {
    WaitFor([&] { return (m_box = FindDialog(::GetCurrentProcessId(), caption.c_str())) != nullptr; });
}

DialogHere::~DialogHere() {
    if (m_box) ::PostMessageA(m_box, WM_COMMAND, IDOK, 0);
    m_thread.join();
}

}  // namespace ui
