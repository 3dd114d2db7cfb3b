#include "ui/MainDlg.h"

#include <shellapi.h>
#include <cstdio>

#include "engine/RegKeyTools.h"
#include "engine/SearchMessages.h"
#include "errors/ReportError.h"
#include "ui/AboutDlg.h"
#include "ui/Placement.h"
#include "ui/WindowDpi.h"
#include "ui/framework/AppModule.h"

namespace {

// The check box of each option flag, in the order StoreOptions copies them.
struct OptionBox {
    int id;
    int32_t CRegKeyTools::*flag;
};
constexpr OptionBox kOptionBoxes[] = {
    {IDC_LOOK_KEYS, &CRegKeyTools::m_lookAtKeys},
    {IDC_LOOK_VALUES, &CRegKeyTools::m_lookAtValues},
    {IDC_LOOK_DATA, &CRegKeyTools::m_lookAtData},
    {IDC_WHOLE_STRING, &CRegKeyTools::m_wholeString},
    {IDC_MATCH_CASE, &CRegKeyTools::m_matchCase},
};

// The shell's own failure codes (32 or less) that differ from the system
// error codes meaning the same thing. The rest of them (file and path not
// found, access denied, out of memory, bad format) already are those codes.
struct ShellFailure {
    INT_PTR shellCode;
    int32_t systemCode;
};
constexpr ShellFailure kShellFailures[] = {
    {0, ERROR_NOT_ENOUGH_MEMORY},  // the shell ran out of memory or resources
    {SE_ERR_SHARE, ERROR_SHARING_VIOLATION},
    {SE_ERR_ASSOCINCOMPLETE, ERROR_NO_ASSOCIATION},
    {SE_ERR_DDETIMEOUT, ERROR_DDE_FAIL},
    {SE_ERR_DDEFAIL, ERROR_DDE_FAIL},
    {SE_ERR_DDEBUSY, ERROR_DDE_FAIL},
    {SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION},
    {SE_ERR_DLLNOTFOUND, ERROR_DLL_NOT_FOUND},
};

// The system error code that explains a failed ShellExecute's result, so
// that the error box shows the right sentence (31, unchanged, would read as
// a failing device).
int32_t SystemCodeOfShellFailure(INT_PTR shellCode) {
    for (const ShellFailure& failure : kShellFailures)
        if (failure.shellCode == shellCode) return failure.systemCode;
    return static_cast<int32_t>(shellCode);
}

}  // namespace

BOOL CMainDlg::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_INITDIALOG:
        result = HandleInit();
        return TRUE;
    case WM_SEARCH_END:
        HandleSearchEnd();
        return TRUE;
    case WM_SEARCH_PROGRESS:
        HandleProgress();
        return TRUE;
    case WM_CLOSE:
        return HandleClose();
    case WM_DESTROY:
        HandleDestroy();
        return TRUE;
    case WM_COMMAND:
        return HandleCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_DPICHANGED:
        LoadIcons(HIWORD(wParam));
        return FALSE;  // the platform's dialog scaling moves and resizes the window and its controls
    default:
        return FALSE;
    }
}

BOOL CMainDlg::HandleCommand(WORD id, WORD notification) {
    switch (id) {
    case ID_APP_ABOUT:
        HandleAbout();
        return TRUE;
    case IDC_FIND_STOP:
        HandleFindStop();
        return TRUE;
    case IDCANCEL:
        return HandleClose();
    case IDC_SEARCH_TEXT:
        if (notification != EN_CHANGE) return FALSE;
        HandleTextChange();
        return TRUE;
    case IDC_LOOK_KEYS:
    case IDC_LOOK_VALUES:
    case IDC_LOOK_DATA:
        if (notification != BN_CLICKED) return FALSE;
        HandleSearchBoxClick();
        return TRUE;
    case IDC_SHOW_RESULT:
        if (notification != BN_CLICKED) return FALSE;
        HandleShowResult();
        return TRUE;
    case IDC_WHOLE_STRING:
    case IDC_MATCH_CASE:
        if (notification != BN_CLICKED) return FALSE;
        m_optionsChanged = 1;
        return TRUE;
    default:
        return FALSE;  // IDOK among them: Enter does nothing
    }
}

BOOL CMainDlg::FilterMessage(MSG* msg) { return ::IsDialogMessageA(m_hWnd, msg); }

BOOL CMainDlg::DoIdleWork() { return FALSE; }

LRESULT CMainDlg::HandleInit() {
    PlaceWindow(m_hWnd);
    LoadIcons(DpiOfWindow(m_hWnd));
    if (CMessageLoop* loop = g_appModule.GetMessageLoop()) {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }
    ::SetDlgItemTextA(m_hWnd, IDC_STATE_TEXT, "");
    ::SetDlgItemTextA(m_hWnd, IDC_FOUND_TEXT, "");
    if (m_context && m_context->m_tools) {
        for (const OptionBox& box : kOptionBoxes) {
            if (m_context->m_tools->*box.flag) ::CheckDlgButton(m_hWnd, box.id, BST_CHECKED);
        }
    }
    return 1;  // focus to the first tab stop, the edit box
}

void CMainDlg::LoadIcons(UINT dpi) {
    // Set before the old ones go: the window never holds a destroyed icon.
    HINSTANCE instance = g_appModule.GetModuleInstance();
    UniqueIcon large(LoadImageForDpi(instance, IDR_MAINFRAME, IMAGE_ICON, SM_CXICON, dpi));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large.get()));
    m_largeIcon = std::move(large);
    UniqueIcon small(LoadImageForDpi(instance, IDR_MAINFRAME, IMAGE_ICON, SM_CXSMICON, dpi));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    m_smallIcon = std::move(small);
}

void CMainDlg::HandleDestroy() {
    if (CMessageLoop* loop = g_appModule.GetMessageLoop()) {
        loop->RemoveMessageFilter(this);
        loop->RemoveIdleHandler(this);
    }
    ::PostQuitMessage(0);
}

BOOL CMainDlg::CanStartSearch() const {
    if (::GetWindowTextLengthA(GetDlgItem(IDC_SEARCH_TEXT)) <= 0) return FALSE;
    return ::IsDlgButtonChecked(m_hWnd, IDC_LOOK_KEYS) == BST_CHECKED ||
           ::IsDlgButtonChecked(m_hWnd, IDC_LOOK_VALUES) == BST_CHECKED ||
           ::IsDlgButtonChecked(m_hWnd, IDC_LOOK_DATA) == BST_CHECKED;
}

void CMainDlg::StoreOptions() {
    if (!m_context || !m_context->m_tools) return;
    CRegKeyTools& tools = *m_context->m_tools;
    for (const OptionBox& box : kOptionBoxes)
        tools.*box.flag = ::IsDlgButtonChecked(m_hWnd, box.id) == BST_CHECKED ? 1 : 0;
    if (m_optionsChanged) tools.SetSettingsChanged(1);
}

BOOL CMainDlg::StartSearch() {
    if (!m_context || !m_context->m_tools) return FALSE;
    CRegKeyTools& tools = *m_context->m_tools;
    // The dialog's own window, never whatever happens to be active: a window
    // that is not ours would swallow the end message and leave the dialog
    // searching for ever.
    m_context->m_notifyWindow = m_hWnd;
    ::GetDlgItemTextA(m_hWnd, IDC_SEARCH_TEXT, tools.m_searchText, sizeof tools.m_searchText);
    StoreOptions();
    tools.m_notifyWindow = m_hWnd;
    tools.m_searchCounters = &m_context->m_counters;
    if (m_thread) return FALSE;

    DWORD threadId = 0;
    m_thread.reset(::CreateThread(nullptr, 0, SearchThreadProc, m_context, 0, &threadId));
    if (!m_thread) return FALSE;
    m_threadId = threadId;

    EnableControl(IDC_SHOW_RESULT, FALSE);
    if (m_context->m_stopEvent) {
        ::ResetEvent(m_context->m_stopEvent);
        tools.m_stopEvent.store(m_context->m_stopEvent);
    }
    return TRUE;
}

BOOL CMainDlg::StopSearch() {
    if (!m_thread) return FALSE;
    EnableControl(IDC_FIND_STOP, FALSE);
    if (m_context && m_context->m_stopEvent) ::SetEvent(m_context->m_stopEvent);
    return TRUE;
}

BOOL CMainDlg::ResultFileExists() const {
    if (!m_context || !m_context->m_tools) return FALSE;
    const char* path = m_context->m_tools->Report().FileName();
    return path[0] && ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

void CMainDlg::HandleFindStop() {
    if (m_thread) {
        StopSearch();
        ::SetDlgItemTextA(m_hWnd, IDC_FIND_STOP, "&Find");
        return;
    }
    if (CanStartSearch() && StartSearch()) ::SetDlgItemTextA(m_hWnd, IDC_FIND_STOP, "&Stop");
}

void CMainDlg::HandleTextChange() { EnableControl(IDC_FIND_STOP, CanStartSearch()); }

void CMainDlg::HandleSearchBoxClick() {
    EnableControl(IDC_FIND_STOP, CanStartSearch());
    m_optionsChanged = 1;
}

void CMainDlg::HandleProgress() {
    if (!m_context) return;
    const SearchCounters& counters = m_context->m_counters;
    std::snprintf(m_context->m_stateText, sizeof m_context->m_stateText, "Search: Keys %ld, Values %ld",
                  static_cast<long>(SearchCounters::Read(counters.keys)),
                  static_cast<long>(SearchCounters::Read(counters.values)));
    ::SetDlgItemTextA(m_hWnd, IDC_STATE_TEXT, m_context->m_stateText);

    int32_t found = SearchCounters::Read(counters.found);
    if (found == m_lastFound) return;
    std::snprintf(m_context->m_foundText, sizeof m_context->m_foundText, "Found items: %ld",
                  static_cast<long>(found));
    ::SetDlgItemTextA(m_hWnd, IDC_FOUND_TEXT, m_context->m_foundText);
    m_lastFound = found;
}

void CMainDlg::HandleSearchEnd() {
    if (m_thread && ::WaitForSingleObject(m_thread.get(), INFINITE) == WAIT_OBJECT_0) {
        ::SetDlgItemTextA(m_hWnd, IDC_FIND_STOP, "&Find");
        if (m_context && m_context->m_stopEvent) ::ResetEvent(m_context->m_stopEvent);
        m_thread.reset();
        m_threadId = 0;
    }
    EnableControl(IDC_FIND_STOP, TRUE);
    if (m_closePending) {
        // The options stay as this run's start copied them.
        DestroyWindow();
        return;
    }
    EnableControl(IDC_SHOW_RESULT, ResultFileExists());
}

BOOL CMainDlg::HandleClose() {
    if (m_thread) {
        if (!m_closePending) {
            StopSearch();
            m_closePending = 1;
        }
        return FALSE;  // stays until the worker has ended
    }
    StoreOptions();
    DestroyWindow();
    return TRUE;
}

void CMainDlg::HandleShowResult() {
    if (!ResultFileExists()) return;
    const char* path = m_context->m_tools->Report().FileName();
    auto code = reinterpret_cast<INT_PTR>(::ShellExecuteA(m_hWnd, "edit", path, nullptr, nullptr, SW_SHOW));
    if (code > 32) return;
    char context[520];
    std::snprintf(context, sizeof context, " for file %s", path);
    ReportError(SystemCodeOfShellFailure(code), context);
}

void CMainDlg::HandleAbout() {
    CAboutDlg about;
    about.DoModal(m_hWnd);
}
