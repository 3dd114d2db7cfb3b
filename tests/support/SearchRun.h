#pragma once
// Runs whole searches of the real registry on the test's thread and takes
// their reports apart.
#include <windows.h>
#include <cstring>
#include <string>

#include "engine/RegKeyTools.h"
#include "engine/SearchCounters.h"
#include "support/TempDir.h"

namespace testsupport {

// The four options that change a dialog's walk, in the order the tests list
// them; the engine's own SearchOptions holds them among others.
struct RunOptions {
    int keys = 0;
    int values = 0;
    int whole = 0;
    int matchCase = 0;
};

// The search text (cut to what the engine holds) and the four options that
// change a walk; the counters and the stop event stay as they were.
inline void SetSearchOptions(CRegKeyTools& tools, const std::string& text, const RunOptions& options) {
    std::memset(tools.m_searchText, 0, sizeof tools.m_searchText);
    text.copy(tools.m_searchText, sizeof tools.m_searchText - 1);
    tools.m_lookAtKeys = options.keys;
    tools.m_lookAtValues = options.values;
    tools.m_wholeString = options.whole;
    tools.m_matchCase = options.matchCase;
}

// Fills the engine's inputs as a front end does before it starts a run:
// the counters go to counters; stop, when given, is the stop event.
inline void PrepareSearch(CRegKeyTools& tools, const std::string& text, const RunOptions& options,
                          SearchCounters& counters, HANDLE stop = nullptr) {
    SetSearchOptions(tools, text, options);
    tools.m_searchCounters = &counters;
    tools.m_stopEvent = stop;
}

// Prepares and runs one whole search on the calling thread.
inline int RunSearch(CRegKeyTools& tools, const std::string& text, const RunOptions& options,
                     SearchCounters& counters, HANDLE stop = nullptr) {
    PrepareSearch(tools, text, options, counters, stop);
    return tools.Search();
}

// The report's first eight lines, each with its CR LF.
constexpr int kHeaderLines = 8;

inline size_t HeaderLength(const std::string& report) {
    size_t at = 0;
    for (int line = 0; line < kHeaderLines && at != std::string::npos; ++line) {
        at = report.find("\r\n", at);
        if (at != std::string::npos) at += 2;
    }
    return at == std::string::npos ? report.size() : at;
}

inline std::string ReportHeader(const std::string& report) { return report.substr(0, HeaderLength(report)); }
inline std::string ReportBody(const std::string& report) { return report.substr(HeaderLength(report)); }

// UTF-16 text as the bytes of a file.
inline std::string Utf16Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

// A UTF-16LE report taken apart like a narrow one: its first eight lines
// (the byte-order mark included) and the key blocks after them.
inline std::string WideReportHeader(const std::string& report) {
    std::wstring text(report.size() / sizeof(wchar_t), L'\0');
    std::memcpy(&text[0], report.data(), text.size() * sizeof(wchar_t));
    size_t at = 0;
    for (int line = 0; line < kHeaderLines && at != std::wstring::npos; ++line) {
        at = text.find(L"\r\n", at);
        if (at != std::wstring::npos) at += 2;
    }
    return Utf16Bytes(text.substr(0, at == std::wstring::npos ? text.size() : at));
}
inline std::string WideReportBody(const std::string& report) { return report.substr(WideReportHeader(report).size()); }

// The header's options line for these options (Data is always off here).
inline std::string OptionsLine(const RunOptions& o) {
    auto onOff = [](int flag) { return flag ? "On" : "Off"; };
    return std::string(";    Options: Keys - [") + onOff(o.keys) + "], Values - [" + onOff(o.values) +
           "], Data - [Off], Whole strings only - [" + onOff(o.whole) + "], Case sensitive - [" +
           onOff(o.matchCase) + "].\r\n";
}

// Every CR is followed by LF and every LF preceded by CR.
inline bool AllLineEndsAreCrLf(const std::string& bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) return false;
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) return false;
    }
    return true;
}

}  // namespace testsupport
