#include "ui/DialogHere.h"

#include "ui/UiDriver.h"

namespace ui {
namespace {

struct BoxSearch {
    const std::string& caption;
    HWND found;
};

BOOL CALLBACK FindBox(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<BoxSearch*>(parameter);
    if (!::IsWindowVisible(window) || Text(window) != search.caption) return TRUE;
    search.found = window;
    return FALSE;
}

}  // namespace

DialogHere::DialogHere(const std::string& caption, std::function<void()> runModal)
    : m_caption(caption), m_thread([this, runModal] {
          m_threadId = ::GetCurrentThreadId();
          runModal();
      }) {
    BoxSearch search = {m_caption, nullptr};
    WaitFor([&] {
        // Thread 0 would stand for every thread, other processes' among them.
        if (!m_threadId) return false;
        ::EnumThreadWindows(m_threadId, FindBox, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    m_box = search.found;
}

DialogHere::~DialogHere() {
    if (m_box) ::PostMessageA(m_box, WM_COMMAND, IDOK, 0);
    m_thread.join();
}

}  // namespace ui
