#pragma once
// The dialog base under Kestrin's two dialogs: it creates a dialog from its
// template (modeless or modal), ties the window to the C++ object and routes
// every message from WM_INITDIALOG on to ProcessWindowMessage.
#include <windows.h>

class CDialogBase {
public:
    HWND m_hWnd = nullptr;

    CDialogBase() = default;
    CDialogBase(const CDialogBase&) = delete;
    CDialogBase& operator=(const CDialogBase&) = delete;

    // The message map. TRUE when the message was handled; result then holds
    // the message's result. FALSE hands it to the platform's default dialog
    // processing.
    virtual BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT& result) = 0;
    virtual ~CDialogBase() = default;
    virtual DLGPROC GetDialogProc() { return DialogProc; }
    // Called after the window's last message; the window is gone by then.
    virtual void OnFinalMessage(HWND /*window*/) {}

    BOOL ShowWindow(int showCommand) { return ::ShowWindow(m_hWnd, showCommand); }
    BOOL DestroyWindow() { return ::DestroyWindow(m_hWnd); }
    BOOL EndDialog(INT_PTR result) { return ::EndDialog(m_hWnd, result); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

protected:
    // Modeless: the window, or null when it could not be made.
    HWND CreateFromTemplate(int templateId, HWND parent);
    // Modal: the value given to EndDialog, or -1 when the box could not be made.
    INT_PTR RunModalFromTemplate(int templateId, HWND parent);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

// T names its template with an enum or constant IDD.
template <class T>
class CDialogImpl : public CDialogBase {
public:
    HWND Create(HWND parent) { return CreateFromTemplate(T::IDD, parent); }
    INT_PTR DoModal(HWND parent) { return RunModalFromTemplate(T::IDD, parent); }
};
