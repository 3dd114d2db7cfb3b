#pragma once
// A modal dialog run on a thread of the test program itself: its device
// contexts and fonts are then this process's to look at (Wine, like
// Windows, gives no process another's GDI objects). Closed with IDOK when
// the object goes.
#include <windows.h>

#include <functional>
#include <string>
#include <thread>

namespace ui {

class DialogHere {
public:
    // Runs runModal (which shows the box and returns when it ends) on a
    // thread of its own and waits for a visible box with caption in this
    // process.
    DialogHere(const std::string& caption, std::function<void()> runModal);
    ~DialogHere();
    DialogHere(const DialogHere&) = delete;
    DialogHere& operator=(const DialogHere&) = delete;

    HWND Box() const { return m_box; }

private:
    HWND m_box = nullptr;
    std::thread m_thread;
};

}  // namespace ui
