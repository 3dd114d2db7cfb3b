#pragma once
// The search engine: one object that holds the text to find, the options
// (SearchOptions), the state of one run, the report writer and the
// exclusion list. The report writer (report/ReportWriter), the settings file
// (config/Settings) and the exclusion list (config/ExclusionList) are
// classes of their own that know nothing of the engine; the engine owns
// them and callers reach them through its accessors.
#include <windows.h>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>
#include "engine/BinaryTextFinder.h"
#include "engine/ValueBuffers.h"
#include "engine/SearchCounters.h"
#include "engine/SearchHitListener.h"
#include "engine/SearchOptions.h"
#include "engine/TextMatcher.h"
#include "config/ExclusionList.h"
#include "config/Settings.h"
#include "base/TextTraits.h"
#include "registry/Registry.h"
#include "registry/RootKeys.h"
#include "report/ReportWriter.h"

class RegexPattern;

class CRegKeyTools : public SearchOptions {
public:
    // settingsFile: the settings file's full path, or null for the
    // executable's own path with its extension replaced by "ini". registries:
    // the registry that the walk reads, in both widths (LiveRegistries() for
    // the process's own). Reads the settings and the exclusion list at once.
    CRegKeyTools(const char* settingsFile, const RegistryPair& registries);
    // Writes the options back when they were changed.
    virtual ~CRegKeyTools();
    CRegKeyTools(const CRegKeyTools&) = delete;
    CRegKeyTools& operator=(const CRegKeyTools&) = delete;

    // Runs one whole search on the calling thread. Needs the search text of
    // the run's width, the options and m_searchCounters; m_notifyWindow and
    // m_stopEvent may be null. 1 when every root was walked to its end
    // without a failure.
    int Search();
    int IsStopped() const { return m_stopped; }
    // 1 when this run's report could not be created: the failure was shown
    // once and the walk ended there.
    int ReportFailed() const { return m_reportFailed; }

    // What the engine owns: the last run's report (its FileName() is empty
    // when the run left none), the settings file and the exclusion list.
    const CReportWriter& Report() const { return m_report; }
    // kestrin-find tells the report where to go (/F) before the search.
    CReportWriter& Report() { return m_report; }
    const CSettings& Settings() const { return m_settings; }
    const ExclusionList& Exclusions() const { return m_exclusions; }
    // Marks the five options as changed, so that they are written back.
    void SetSettingsChanged(int value) { m_settingsChanged = value; }

    // Inputs, written by the front end before it starts the worker, besides
    // the options it inherits. The search text in the width of the run: the
    // ANSI text for the narrow walk, the UTF-16 text with m_unicode.
    char m_searchText[260] = {};
    wchar_t m_searchTextWide[260] = {};
    // Keys to walk instead of the four roots, full paths with a root's long
    // name, already checked and freed of repeats (ResolveStartKeys), in the
    // width of the run.
    // Lines the report's header adds after its date (kestrin-find /O names
    // the offline Windows there).
    std::wstring m_headerNote;
    std::vector<std::string> m_startKeys;
    std::vector<std::wstring> m_wideStartKeys;
    // kestrin-find /R: when set, it replaces the plain match (and the number
    // comparison of /D); the ANSI walk converts names and data to UTF-16
    // before matching.
    const RegexPattern* m_pattern = nullptr;
    // Told of every hit as it is written; may be null.
    ISearchHitListener* m_hitListener = nullptr;
    // Stored by the front end right after the worker started; read at every poll.
    std::atomic<HANDLE> m_stopEvent{nullptr};
    HWND m_notifyWindow = nullptr;
    SearchCounters* m_searchCounters = nullptr;

private:
    struct KeyVisit;
    // What the walk keeps per width: the registry, the key path, the plain
    // matcher and the scratch buffer of key names (a key name has at most
    // 255 characters; in a double-byte code page up to 510 bytes).
    template <typename T>
    struct WalkText {
        using Char = typename T::Char;
        IRegistry<Char>* registry = nullptr;
        typename T::Path path;
        TextMatcher<T> matcher;
        Char matchBuffer[512] = {};
        // /A: the values of the key being visited, until its block is written.
        BasicKeyValues<Char> keyValues;
    };
    template <typename T>
    WalkText<T>& Side();
    // subKey: length characters (a name may hold a NUL), or null for the
    // key at parent itself.
    template <typename T>
    int SearchKeyOf(HKEY parent, const typename T::Char* subKey, size_t length);
    template <typename T>
    int WalkKey(HKEY parent, const typename T::Char* subKey, size_t length, KeyVisit& visit);
    template <typename T>
    void SearchValues(HKEY key, const RegKeyInfo& info, bool belowRoot, KeyVisit& visit);
    template <typename T>
    int MatchValue(const BasicValueBuffers<typename T::Char>& buffers, DWORD nameLength, DWORD type,
                   DWORD dataSize, const RecordMark& mark, KeyVisit& visit);
    // The value just read into buffers against the search; *match says why
    // it is a hit.
    template <typename T>
    bool IsValueHit(const BasicValueBuffers<typename T::Char>& buffers, DWORD nameLength, DWORD type,
                    DWORD dataSize, ValueMatch* match);
    // /A: keeps the value just read, matched when search is set.
    template <typename T>
    void KeepValue(const BasicValueBuffers<typename T::Char>& buffers, DWORD nameLength, DWORD type,
                   DWORD dataSize, const RecordMark& mark, bool search);
    template <typename T>
    void WriteKeyBlock(KeyVisit& visit);
    template <typename T>
    void TellKeyBlock(KeyVisit& visit);
    // 1 when candidate (or the key path, when candidate is null and
    // usePathWhenNone is set) matches the search text under the
    // options. scratch (scratchSize characters) receives the upper-cased
    // candidate; candidate is never changed.
    template <typename T>
    int MatchText(const typename T::Char* candidate, typename T::Char* scratch, int usePathWhenNone,
                  size_t scratchSize);
    // A counted name against the search: the plain text, which never holds a
    // NUL, is looked for between the name's NULs; a pattern sees it whole.
    template <typename T>
    int MatchName(const typename T::Char* name, size_t length, typename T::Char* scratch, size_t scratchSize);
    template <typename T>
    int MatchPattern(const typename T::Char* candidate, size_t length);
    template <typename T>
    int MatchNumber(uint64_t value, typename T::Char* scratch, size_t scratchSize);
    template <typename T>
    void MatchKeyName(const typename T::Char* subKey, size_t length, KeyVisit& visit);
    bool ModifiedInRange(const FILETIME& lastWrite) const;
    template <typename T>
    int MatchValueData(DWORD type, const typename T::Char* data, DWORD dataSize, typename T::Char* scratch,
                       size_t scratchSize);
    template <typename T>
    int MatchMultiString(const typename T::Char* data, DWORD dataSize, typename T::Char* scratch,
                         size_t scratchSize);
    // /B: the text inside raw data; sets m_binaryOffset on a match.
    void PrepareBinaryText();
    int MatchBinary(const BYTE* data, DWORD dataSize);
    bool MatchBinaryPattern(const BYTE* data, DWORD dataSize, size_t* offset);
    bool MatchPatternAt(size_t* offset);
    template <typename T>
    int SearchSubKeys(HKEY key, const RegKeyInfo& info, bool belowRoot);
    template <typename T>
    int SearchRoot(const RootKey& root);
    template <typename T>
    int SearchStartKey(const std::basic_string<typename T::Char>& path);
    template <typename T>
    int WalkStarts();
    template <typename Char>
    int WriteValueLine(const Char* name, uint32_t nameLength, DWORD type, const Char* data, DWORD dataSize) {
        return ReportReady() && m_report.WriteValueLine(name, nameLength, type, data, dataSize);
    }
    // A recovered key's line follows a comment that says so; with /L the
    // key's last write time (lastWrite, null when unknown) follows it.
    template <typename T>
    int WriteKeyLineOf(const RecordMark& mark, const FILETIME* lastWrite) {
        return ReportReady() && WriteMarkLine(mark, false) &&
               m_report.WriteKeyLine(Side<T>().path.c_str(), Side<T>().path.size()) &&
               WriteLastWrittenLine(lastWrite);
    }
    int WriteLastWrittenLine(const FILETIME* lastWrite);
    // The comment before a recovered key's line (value false) or value's
    // line: what it is and its file offset; nothing for an unmarked one.
    int WriteMarkLine(const RecordMark& mark, bool value);
    // The report is open, or is created now with its header block.
    int ReportReady() { return m_report.IsOpen() || OpenReport(); }
    // The five option flags as the settings file reads and writes them.
    OptionFlags Flags() { return {&m_lookAtKeys, &m_lookAtValues, &m_lookAtData, &m_wholeString, &m_matchCase}; }
    template <typename T>
    void CloseKeyBlock(KeyVisit& visit);
    // A key below a start key that could not be read: excluded from later
    // runs when the registry says so. The exclusion list is text, one path
    // a line: a path whose names hold a NUL could only be cut there, which
    // would name another key, so it never enters.
    template <typename T>
    void NoteUnreadable() {
        const typename T::Path& path = Side<T>().path;
        if (m_excludeUnreadable && T::Length(path.c_str()) == path.size()) m_exclusions.Add(path.c_str());
    }
    int ReadSettings();
    int StopRequested();
    // The walk unwinds: the user stopped it, or nothing more can be written.
    bool WalkEnded() const { return m_stopped || m_reportFailed; }
    void PostProgress();
    int OpenReport();
    void Bump(std::atomic<int32_t> SearchCounters::*counter);

    bool m_excludeUnreadable = true;
    int32_t m_settingsChanged = 0;
    int32_t m_stopped = 0;
    int32_t m_reportFailed = 0;  // set by the run's first failed report creation
    // The search text read as a number, for REG_DWORD and REG_QWORD data.
    bool m_searchIsNumber = false;
    uint64_t m_searchNumber = 0;
    // The pattern gave up on a string since the flag was last cleared.
    bool m_patternGaveUp = false;
    // The ANSI walk's candidate in UTF-16 for the pattern, reused; /B's
    // decodings of raw data too.
    std::wstring m_patternText;
    BinaryTextFinder m_binaryFinder;
    // Where /B's last match began, in bytes from the start of the data.
    size_t m_binaryOffset = 0;
    WalkText<NarrowText> m_narrow;
    WalkText<WideText> m_wide;
    CReportWriter m_report;
    CSettings m_settings;
    ExclusionList m_exclusions;
};

template <>
inline CRegKeyTools::WalkText<NarrowText>& CRegKeyTools::Side<NarrowText>() {
    return m_narrow;
}

template <>
inline CRegKeyTools::WalkText<WideText>& CRegKeyTools::Side<WideText>() {
    return m_wide;
}

// Reads text as an unsigned 64-bit number: decimal digits, or hexadecimal
// ones after "0x" or "0X". False for anything else, or when it overflows.
bool ParseSearchNumber(const char* text, uint64_t* number);

// True for the types whose data /B searches: all but the strings (REG_SZ,
// REG_EXPAND_SZ, REG_MULTI_SZ) and the numbers (REG_DWORD,
// REG_DWORD_BIG_ENDIAN, REG_QWORD).
bool IsSearchedAsBinary(DWORD type);
