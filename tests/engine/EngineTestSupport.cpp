#include "engine/EngineTestSupport.h"

#include <cstdlib>

MessageWindow::MessageWindow()
    : m_window(::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {
    if (!m_window) std::abort();
}

MessageWindow::~MessageWindow() { ::DestroyWindow(m_window); }

int MessageWindow::Take(UINT message) {
    int count = 0;
    MSG msg;
    while (::PeekMessageA(&msg, m_window, message, message, PM_REMOVE)) ++count;
    return count;
}
