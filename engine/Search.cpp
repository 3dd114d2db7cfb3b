#include <cstring>
#include <cwchar>
#include <iterator>
#include <type_traits>

#include "base/Mbcs.h"
#include "engine/RegKeyTools.h"
#include "engine/SearchContext.h"
#include "registry/RegKey.h"
#include "engine/SearchMessages.h"

void CRegKeyTools::PostProgress() {
    if (!m_notifyWindow) return;
    ::PostMessageA(m_notifyWindow, WM_SEARCH_PROGRESS, 0, 0);
    ::Sleep(0);  // let the dialog thread repaint; the worker never waits for it
}

template <typename T>
int CRegKeyTools::SearchRoot(const RootKey& root) {
    // The roots' names are ASCII, the same in either width.
    Side<T>().path.Assign(Widened<typename T::Char>(root.name).c_str());
    return SearchKeyOf<T>(root.key, nullptr, 0);
}

template int CRegKeyTools::SearchRoot<NarrowText>(const RootKey&);
template int CRegKeyTools::SearchRoot<WideText>(const RootKey&);

template <typename T>
int CRegKeyTools::SearchStartKey(const std::basic_string<typename T::Char>& path) {
    using Char = typename T::Char;
    const Char* rest = nullptr;
    const RootKey* root = FindRootOf(path.c_str(), &rest);
    if (!root) return 0;
    if (!*rest) return SearchRoot<T>(*root);
    // The start key is walked as the sub-key of its parent, so that its own
    // name is what a key-name search matches, and the exclusion list and
    // failures treat it like any key below a root.
    const Char* separator = T::FindLast(path.c_str(), Char('\\'));  // the one after the root at least
    IRegistry<Char>& registry = *Side<T>().registry;
    RegKey parent;
    HKEY parentKey = root->key;
    if (separator >= rest) {
        HKEY opened = nullptr;
        const std::basic_string<Char> parentPath(rest, separator);
        if (registry.OpenKey(root->key, parentPath.c_str(), parentPath.size(), &opened) != ERROR_SUCCESS) return 0;
        parent = RegKey(registry, opened);
        parentKey = opened;
    }
    Side<T>().path.Assign(std::basic_string<Char>(path.c_str(), separator).c_str());
    return SearchKeyOf<T>(parentKey, separator + 1, T::Length(separator + 1));
}

template int CRegKeyTools::SearchStartKey<NarrowText>(const std::string&);
template int CRegKeyTools::SearchStartKey<WideText>(const std::wstring&);

// Walks the start keys of the width, or the four roots when there are none.
template <typename T>
int CRegKeyTools::WalkStarts() {
    const auto& startKeys = [this]() -> const auto& {
        if constexpr (std::is_same_v<T, WideText>)
            return m_wideStartKeys;
        else
            return m_startKeys;
    }();
    const bool roots = startKeys.empty();
    const size_t starts = roots ? std::size(g_rootKeys) : startKeys.size();
    int result = 1;
    for (size_t start = 0; start < starts; ++start) {
        if (!(roots ? SearchRoot<T>(g_rootKeys[start]) : SearchStartKey<T>(startKeys[start]))) result = 0;
        PostProgress();
        if (WalkEnded()) {
            result = 0;
            break;
        }
    }
    Side<T>().path.Cut(0);
    return result;
}

int CRegKeyTools::Search() {
    if (!m_searchCounters) return 0;  // nowhere to count: nothing is searched
    m_stopped = 0;
    m_reportFailed = 0;
    m_searchCounters->Reset();
    PostProgress();

    m_report.Begin(m_unicode);

    m_searchTextWide[std::size(m_searchTextWide) - 1] = L'\0';
    // A /U run reads its number from the best fit of its text in the code
    // page, so that full-width digits count as they do in the narrow walk.
    m_searchIsNumber =
        ParseSearchNumber(m_unicode ? mbcs::FromWide(m_searchTextWide).c_str() : m_searchText, &m_searchNumber);
    if (m_lookAtBinary) PrepareBinaryText();

    int result;
    if (m_unicode) {
        m_wide.matcher.Prepare(m_searchTextWide, m_wholeString != 0, m_matchCase != 0);
        m_exclusions.Load<wchar_t>(m_settings.Path());
        result = WalkStarts<WideText>();
    } else {
        m_narrow.matcher.Prepare(m_searchText, m_wholeString != 0, m_matchCase != 0);
        result = WalkStarts<NarrowText>();
    }

    m_report.Finish(m_stopped != 0, SearchCounters::Read(m_searchCounters->found) == 0);
    if (m_unicode)
        m_exclusions.Save<wchar_t>();
    else
        m_exclusions.Save<char>();
    return result;
}

DWORD WINAPI SearchThreadProc(LPVOID lpParameter) {
    auto* context = static_cast<SearchContext*>(lpParameter);
    if (!context || !context->m_tools) return kSearchNoEngine;

    DWORD exitCode = kSearchUnreadable;
    try {
        if (context->m_tools->Search())
            exitCode = kSearchCompleted;
        else if (context->m_tools->IsStopped())
            exitCode = kSearchStopped;
        else if (context->m_tools->ReportFailed())
            exitCode = kSearchReportFailed;
    } catch (...) {
        // Only an allocation can throw (the exclusion list, the values that
        // /A keeps for a key); the run counts as failed and the front end
        // still gets its end message.
    }
    if (context->m_notifyWindow) ::PostMessageA(context->m_notifyWindow, WM_SEARCH_END, 0, 0);
    return exitCode;
}
