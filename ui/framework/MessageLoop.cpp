#include "ui/framework/MessageLoop.h"

#include <algorithm>

namespace {

constexpr UINT kSystemTimer = 0x0118;

template <typename Hook>
BOOL RemoveHook(std::vector<Hook*>& hooks, Hook* hook) {
    auto found = std::find(hooks.begin(), hooks.end(), hook);
    if (found == hooks.end()) return FALSE;
    hooks.erase(found);
    return TRUE;
}

// The loop's lists only grow while the dialog initialises; a failed
// allocation there leaves the hook out instead of crossing a window procedure.
template <typename Hook>
BOOL AddHook(std::vector<Hook*>& hooks, Hook* hook) {
    if (!hook) return FALSE;
    try {
        hooks.push_back(hook);
    } catch (...) {
        return FALSE;
    }
    return TRUE;
}

}  // namespace

BOOL CMessageLoop::AddMessageFilter(CMessageFilter* filter) { return AddHook(m_filters, filter); }
BOOL CMessageLoop::RemoveMessageFilter(CMessageFilter* filter) { return RemoveHook(m_filters, filter); }
BOOL CMessageLoop::AddIdleHandler(CIdleHandler* handler) { return AddHook(m_idleHandlers, handler); }
BOOL CMessageLoop::RemoveIdleHandler(CIdleHandler* handler) { return RemoveHook(m_idleHandlers, handler); }

int CMessageLoop::Run() {
    BOOL idle = TRUE;
    int idleCount = 0;
    MSG msg = {};
    for (;;) {
        while (idle && !::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) idle = FALSE;
        }
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) continue;
        if (!got) break;
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (IsIdleMessage(msg)) {
            idle = TRUE;
            idleCount = 0;
        }
    }
    return static_cast<int>(msg.wParam);
}

BOOL CMessageLoop::PreTranslateMessage(MSG* msg) {
    // A filter may remove itself while it runs: walk by index from the end.
    for (size_t i = m_filters.size(); i-- > 0;) {
        if (i < m_filters.size() && m_filters[i]->FilterMessage(msg)) return TRUE;
    }
    return FALSE;
}

BOOL CMessageLoop::OnIdle(int /*idleCount*/) {
    for (size_t i = 0; i < m_idleHandlers.size(); ++i) m_idleHandlers[i]->DoIdleWork();
    return FALSE;
}

BOOL CMessageLoop::IsIdleMessage(const MSG& msg) {
    switch (msg.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case kSystemTimer:
        return FALSE;
    default:
        return TRUE;
    }
}
