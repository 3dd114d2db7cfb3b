#include <cstring>
#include <iterator>

#include "base/Mbcs.h"
#include "engine/RegKeyTools.h"
#include "engine/SearchContext.h"
#include "engine/SearchMessages.h"

const RootKey g_rootKeys[4] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, "HKEY_USERS"},
};

void CRegKeyTools::PostProgress() {
    if (!m_notifyWindow) return;
    ::PostMessageA(m_notifyWindow, WM_SEARCH_PROGRESS, 0, 0);
    ::Sleep(0);  // let the dialog thread repaint; the worker never waits for it
}

int CRegKeyTools::SearchRoot(const RootKey& root) {
    m_keyPathLength = mbcs::CopyBounded(m_keyPath, sizeof m_keyPath, root.name);
    return SearchKey(root.key, nullptr);
}

int CRegKeyTools::Search() {
    if (!m_searchCounters) return 0;  // nowhere to count: nothing is searched
    m_stopped = 0;
    m_reportFailed = 0;
    m_searchCounters->Reset();
    PostProgress();

    CloseResultFile();
    m_resultFileName[0] = '\0';

    std::memcpy(m_searchTextUpper, m_searchText, sizeof m_searchTextUpper);
    m_searchTextUpper[sizeof m_searchTextUpper - 1] = '\0';
    if (!m_matchCase) mbcs::UpperInPlace(m_searchTextUpper, sizeof m_searchTextUpper);
    m_searchIsNumber = ParseSearchNumber(m_searchText, &m_searchNumber);

    int result = 1;
    const size_t starts = m_startKeys.empty() ? std::size(g_rootKeys) : m_startKeys.size();
    for (size_t start = 0; start < starts; ++start) {
        if (!(m_startKeys.empty() ? SearchRoot(g_rootKeys[start]) : SearchStartKey(m_startKeys[start])))
            result = 0;
        PostProgress();
        if (WalkEnded()) {
            result = 0;
            break;
        }
    }
    m_keyPath[0] = '\0';
    m_keyPathLength = 0;

    FinishReport();
    SaveExcludeKeys();
    return result;
}

DWORD WINAPI SearchThreadProc(LPVOID lpParameter) {
    auto* context = static_cast<SearchContext*>(lpParameter);
    if (!context || !context->m_tools) return 3;

    DWORD exitCode = 2;
    try {
        if (context->m_tools->Search())
            exitCode = 0;
        else if (context->m_tools->IsStopped())
            exitCode = 1;
        else if (context->m_tools->ReportFailed())
            exitCode = 4;
    } catch (...) {
        // Only an allocation in the exclusion list can throw; the run counts
        // as failed and the front end still gets its end message.
    }
    if (context->m_notifyWindow) ::PostMessageA(context->m_notifyWindow, WM_SEARCH_END, 0, 0);
    return exitCode;
}
