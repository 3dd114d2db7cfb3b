#pragma once
// What only the fake-registry tests need beside tests/support: a
// message-only window that counts the worker's posts.
#include <windows.h>

// A message-only window of the calling thread: what the engine posts to it
// waits in this thread's queue until Take removes it.
class MessageWindow {
public:
    MessageWindow();
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    HWND get() const { return m_window; }
    // Removes the queued messages of this number and returns how many there were.
    int Take(UINT message);

private:
    HWND m_window;
};
