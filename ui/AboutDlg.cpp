#include "ui/AboutDlg.h"

#include <shellapi.h>

#include "ui/Placement.h"
#include "ui/framework/AppModule.h"

CAboutDlg::CAboutDlg() : m_linkColor(RGB(0, 0, 255)), m_backColor(::GetSysColor(COLOR_BTNFACE)) {}

BOOL CAboutDlg::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_INITDIALOG:
        result = HandleInit();
        return TRUE;
    case WM_CLOSE:
        EndDialog(0);
        return TRUE;
    case WM_CTLCOLORSTATIC:
        result = reinterpret_cast<LRESULT>(
            HandleLinkColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_HOME_PAGE:
        case IDC_MAIL:
            if (HIWORD(wParam) != STN_CLICKED) return FALSE;
            OpenLink(reinterpret_cast<HWND>(lParam));
            return TRUE;
        case IDOK:
            EndDialog(1);
            return TRUE;
        default:
            return FALSE;  // IDCANCEL among them: Esc leaves the box open
        }
    default:
        return FALSE;
    }
}

LRESULT CAboutDlg::HandleInit() {
    PlaceWindow(m_hWnd, ::GetParent(m_hWnd));
    m_handCursor = ::LoadCursorA(g_appModule.GetModuleInstance(), MAKEINTRESOURCEA(IDC_HAND_CURSOR));
    m_homePageLabel = GetDlgItem(IDC_HOME_PAGE);
    MakeLink(m_homePageLabel, m_homePageFont);
    m_mailLabel = GetDlgItem(IDC_MAIL);
    MakeLink(m_mailLabel, m_mailFont);
    return 1;  // focus to OK, the only tab stop
}

void CAboutDlg::MakeLink(HWND label, UniqueGdiObject& font) const {
    if (!label) return;
    auto current = reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0));
    LOGFONTA description = {};
    if (current && ::GetObjectA(current, sizeof description, &description)) {
        description.lfUnderline = TRUE;
        font.reset(::CreateFontIndirectA(&description));
        ::SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    }
    // The class is the platform's static class, shared by every static
    // control of the process; only controls that take mouse input show it.
    ::SetClassLongPtrA(label, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(m_handCursor));
}

HBRUSH CAboutDlg::HandleLinkColor(HDC dc, HWND control) const {
    if ((control != m_homePageLabel && control != m_mailLabel) || !dc) return nullptr;
    auto brush = static_cast<HBRUSH>(::GetCurrentObject(dc, OBJ_BRUSH));
    if (!brush) return nullptr;
    ::SetTextColor(dc, m_linkColor);
    ::SetBkColor(dc, m_backColor);
    return brush;
}

void CAboutDlg::OpenLink(HWND label) const {
    char text[260];
    if (!label || ::GetWindowTextA(label, text, sizeof text) <= 0) return;
    // The shell's answer is not looked at: a link that cannot be opened shows nothing.
    ::ShellExecuteA(nullptr, "open", text, nullptr, nullptr, SW_SHOWMAXIMIZED);
}
