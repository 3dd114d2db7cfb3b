#include "ui/framework/DialogImpl.h"

#include "ui/framework/AppModule.h"

namespace {

// For these messages a dialog procedure returns the result itself instead of
// storing it in DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}

}  // namespace

HWND CDialogBase::CreateFromTemplate(int templateId, HWND parent) {
    return ::CreateDialogParamA(g_appModule.GetModuleInstance(), MAKEINTRESOURCEA(templateId), parent,
                                GetDialogProc(), reinterpret_cast<LPARAM>(this));
}

INT_PTR CDialogBase::RunModalFromTemplate(int templateId, HWND parent) {
    return ::DialogBoxParamA(g_appModule.GetModuleInstance(), MAKEINTRESOURCEA(templateId), parent,
                             GetDialogProc(), reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CDialogBase::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialogBase* self = nullptr;
    if (message == WM_INITDIALOG) {
        // The object rides in as the creation parameter; messages before
        // this one (WM_SETFONT) get default processing.
        self = reinterpret_cast<CDialogBase*>(lParam);
        ::SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        if (self) self->m_hWnd = window;
    } else {
        self = reinterpret_cast<CDialogBase*>(::GetWindowLongPtrA(window, DWLP_USER));
    }
    if (!self) return FALSE;

    LRESULT result = 0;
    BOOL handled = FALSE;
    try {
        handled = self->ProcessWindowMessage(window, message, wParam, lParam, result);
    } catch (...) {
        handled = FALSE;  // nothing crosses into the platform's dispatcher
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(window, DWLP_USER, 0);
        self->m_hWnd = nullptr;
        self->OnFinalMessage(window);
        return FALSE;
    }
    if (!handled) return FALSE;
    if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
}
