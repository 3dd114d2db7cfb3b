#include "ui/AboutDlg.h"

#include <shellapi.h>

#include <algorithm>

#include "ui/Placement.h"
#include "ui/WindowDpi.h"
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
    case WM_DPICHANGED:
        FollowDpi(HIWORD(wParam));
        return FALSE;  // the platform's dialog scaling moves and resizes the box and its controls
    case WM_SETCURSOR:
        // The links' own cursor, set here rather than on the static class
        // that every static control of the process shares.
        if (!IsLink(reinterpret_cast<HWND>(wParam)) || LOWORD(lParam) != HTCLIENT) return FALSE;
        ::SetCursor(m_handCursor.get());
        result = TRUE;
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
    m_homePageLabel = GetDlgItem(IDC_HOME_PAGE);
    m_mailLabel = GetDlgItem(IDC_MAIL);
    KeepOwnFontOnDpiChange(m_homePageLabel);
    KeepOwnFontOnDpiChange(m_mailLabel);
    m_dpi = DpiOfWindow(m_hWnd);
    FollowDpi(m_dpi);
    return 1;  // focus to OK, the only tab stop
}

void CAboutDlg::FollowDpi(UINT dpi) {
    if (!dpi) return;
    MakeLink(m_homePageLabel, m_homePageFont, dpi);
    MakeLink(m_mailLabel, m_mailFont, dpi);
    HINSTANCE instance = g_appModule.GetModuleInstance();
    m_handCursor.reset(LoadImageForDpi(instance, IDC_HAND_CURSOR, IMAGE_CURSOR, SM_CXCURSOR, dpi));
    // The control is handed the new icon before the old one goes.
    UniqueIcon icon(LoadImageForDpi(instance, IDR_MAINFRAME, IMAGE_ICON, SM_CXICON, IconDpi(dpi)));
    ::SendDlgItemMessageA(m_hWnd, IDC_ABOUT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
    m_icon = std::move(icon);
    m_dpi = dpi;
}

UINT CAboutDlg::IconDpi(UINT dpi) const {
    // The box's dialog units at dpi; before the platform has rescaled the
    // box (in WM_DPICHANGED), its current ones scaled from m_dpi.
    RECT box = {0, 0, ABOUT_ICON_UNITS, ABOUT_ICON_UNITS};
    ::MapDialogRect(m_hWnd, &box);
    const int room = ::MulDiv(std::min(box.right, box.bottom), static_cast<int>(dpi), static_cast<int>(m_dpi));
    // A quarter of 100% at a time, down to 100%.
    const UINT kScaleStep = USER_DEFAULT_SCREEN_DPI / 4;
    while (dpi > USER_DEFAULT_SCREEN_DPI && SystemMetricForDpi(SM_CXICON, dpi) > room) dpi -= kScaleStep;
    return dpi;
}

void CAboutDlg::MakeLink(HWND label, UniqueGdiObject& font, UINT dpi) const {
    if (!label) return;
    auto current = reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0));
    LOGFONTA description = {};
    if (!current || !::GetObjectA(current, sizeof description, &description)) return;
    description.lfUnderline = TRUE;
    description.lfHeight = ::MulDiv(description.lfHeight, static_cast<int>(dpi), static_cast<int>(m_dpi));
    UniqueGdiObject made(::CreateFontIndirectA(&description));
    ::SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(made.get()), TRUE);
    font = std::move(made);
}

HBRUSH CAboutDlg::HandleLinkColor(HDC dc, HWND control) const {
    if (!IsLink(control) || !dc) return nullptr;
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
