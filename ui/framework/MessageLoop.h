#pragma once
// The user-interface thread's message loop with its two hook lists: message
// filters, offered each message before it is translated and dispatched, and
// idle handlers, run once after each burst of messages.
#include <windows.h>
#include <vector>

class CMessageFilter {
public:
    // True when the filter handled msg; the loop then neither translates nor
    // dispatches it.
    virtual BOOL FilterMessage(MSG* msg) = 0;

protected:
    ~CMessageFilter() = default;
};

class CIdleHandler {
public:
    // Called when the queue has run empty; the result is not used.
    virtual BOOL DoIdleWork() = 0;

protected:
    ~CIdleHandler() = default;
};

class CMessageLoop {
public:
    // Hooks are not owned; each must outlive the loop or be removed first.
    // Add appends at the end; Remove gives FALSE when the hook is not there.
    BOOL AddMessageFilter(CMessageFilter* filter);
    BOOL RemoveMessageFilter(CMessageFilter* filter);
    BOOL AddIdleHandler(CIdleHandler* handler);
    BOOL RemoveIdleHandler(CIdleHandler* handler);

    // Runs until the quit message and returns its wParam.
    int Run();

    // Offers msg to the filters, most recently added first.
    BOOL PreTranslateMessage(MSG* msg);
    // Runs every idle handler in order; always FALSE, so idle work happens
    // once per burst of messages.
    BOOL OnIdle(int idleCount);
    // False for the messages that arrive continuously and must not restart
    // idle work: mouse moves, paints and the caret's blink timer.
    static BOOL IsIdleMessage(const MSG& msg);

private:
    std::vector<CMessageFilter*> m_filters;
    std::vector<CIdleHandler*> m_idleHandlers;
};
