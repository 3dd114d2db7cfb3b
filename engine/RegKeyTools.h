#pragma once
// The search engine: one object that holds the text to find, the five
// options, the state of one run, the report writer and the exclusion list.
// Its operations are spread over engine/ (the search), report/ (the report)
// and config/ (settings and exclusion list).
#include <windows.h>
#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>
#include <ctime>
#include "engine/RegistryApi.h"
#include "engine/SearchCounters.h"
#include "engine/SearchHitListener.h"
#include "report/FileData.h"

// windows.h maps CreateFile to CreateFileA; the engine has a member of that
// name and calls the platform's function by its explicit name.
#undef CreateFile

struct RootKey {
    HKEY key;
    const char* name;
};
extern const RootKey g_rootKeys[4];

class CRegKeyTools {
public:
    // settingsFile: the settings file's full path, or null for the
    // executable's own path with its extension replaced by "ini". registry:
    // the door to the registry, or null for the real one. Reads the settings
    // and the exclusion list at once.
    explicit CRegKeyTools(const char* settingsFile = nullptr, IRegistryApi* registry = nullptr);
    // Writes the options back when they were changed.
    virtual ~CRegKeyTools();
    CRegKeyTools(const CRegKeyTools&) = delete;
    CRegKeyTools& operator=(const CRegKeyTools&) = delete;

    // --- search (engine/) ---
    // Runs one whole search on the calling thread. Needs m_searchText, the
    // options and m_searchCounters; m_notifyWindow and m_stopEvent may be
    // null. 1 when every root was walked to its end without a failure.
    int Search();
    int IsStopped() const { return m_stopped; }
    // 1 when this run's report could not be created: the failure was shown
    // once and the walk ended there.
    int ReportFailed() const { return m_reportFailed; }
    // Walks parent itself (subKey null) or its sub-key subKey. On entry and on
    // return m_keyPath holds parent's path.
    int SearchKey(HKEY parent, const char* subKey);
    // 1 when candidate (or m_keyPath, when candidate is null and
    // usePathWhenNone is set) matches m_searchTextUpper under the options.
    // scratch receives the upper-cased candidate; candidate is never changed.
    int MatchString(const char* candidate, char* scratch, int usePathWhenNone, size_t scratchSize);

    // --- report (report/) ---
    // Copies the computer's name (first letter upper-cased) into buffer.
    // *size: capacity in, length out. 1 when a non-empty name was copied.
    int GetLocalHostName(char* buffer, uint32_t* size);
    // Names and opens this run's report; failures reach the user through
    // ReportError. m_resultFileName holds the attempted path afterwards.
    int CreateFile();
    // Writes text to whatever m_fileData has open; 0 when nothing was written.
    int WriteRawText(const char* text);
    // Writes text to the report, creating it with its header block first.
    int WriteText(const char* text);
    int WriteKeyLine();
    int WriteValueName(const char* name, uint32_t length);
    // Closes the report if open and lets the writer forget its file name.
    void CloseResultFile();
    const char* GetResultFileName() const { return m_resultFileName; }

    // --- settings (config/) ---
    int GetSettingsFileName();
    int ReadSettings();
    void WriteSettings();
    void SetSettingsChanged(int value) { m_settingsChanged = value; }
    const char* GetSettingsFilePath() const { return m_settingsFileName; }
    static const char* OnOffText(int flag) { return flag ? "On" : "Off"; }
    static int IsOnText(char* text, size_t size);

    // --- exclusion list (config/) ---
    // The settings file's section that holds the list; also the one section
    // of a settings file that the engine creates.
    static constexpr char kExcludeKeysSection[] = "ExcludeKeys";
    void LoadExcludeKeys(const char* settingsPath);
    int IsExcludedKey(const char* path) const;
    void AddExcludeKey(const char* path);
    void SaveExcludeKeys();
    const std::vector<std::string>& ExcludeKeys() const { return m_excludeKeys; }

    // Inputs, written by the front end before it starts the worker.
    char m_searchText[260] = {};
    int32_t m_lookAtKeys = 0;
    int32_t m_lookAtValues = 1;
    int32_t m_lookAtData = 0;
    int32_t m_wholeString = 0;
    int32_t m_matchCase = 0;
    // kestrin-find's additions, never loaded or saved, so that the dialog's
    // walk stays what it always was: match value names, and match the data
    // of REG_MULTI_SZ, REG_DWORD and REG_QWORD values (m_lookAtData then
    // only tells the report header).
    int32_t m_lookAtNames = 0;
    int32_t m_lookAtTypedData = 0;
    // Keys to walk instead of the four roots, full paths with a root's long
    // name, already checked and freed of repeats (ResolveStartKeys).
    std::vector<std::string> m_startKeys;
    // Told of every hit as it is written; may be null.
    ISearchHitListener* m_hitListener = nullptr;
    // Stored by the front end right after the worker started; read at every poll.
    std::atomic<HANDLE> m_stopEvent{nullptr};
    HWND m_notifyWindow = nullptr;
    SearchCounters* m_searchCounters = nullptr;

private:
    struct KeyVisit;
    int WalkKey(HKEY parent, const char* subKey, KeyVisit& visit);
    void SearchValues(HKEY key, const RegKeyInfo& info, bool belowRoot, KeyVisit& visit);
    int MatchValue(const ValueBuffers& buffers, DWORD nameLength, DWORD type, DWORD dataSize, KeyVisit& visit);
    int MatchValueData(DWORD type, const char* data, DWORD dataSize, char* scratch, size_t scratchSize);
    int MatchMultiString(const char* data, DWORD dataSize, char* scratch, size_t scratchSize);
    int SearchRoot(const RootKey& root);
    int SearchStartKey(const std::string& path);
    int WriteValueLine(const char* name, uint32_t nameLength, DWORD type, const char* data, DWORD dataSize);
    int WriteValueData(DWORD type, const char* data, DWORD dataSize);
    int WriteHexBytes(const BYTE* bytes, DWORD count);
    int SearchSubKeys(HKEY key, const RegKeyInfo& info, bool belowRoot);
    void CloseKeyBlock(KeyVisit& visit);
    int StopRequested();
    // The walk unwinds: the user stopped it, or nothing more can be written.
    bool WalkEnded() const { return m_stopped || m_reportFailed; }
    void PostProgress();
    bool AppendKeyPath(const char* subKey);
    void FinishReport();
    int WriteHeader();
    void Bump(std::atomic<int32_t> SearchCounters::*counter);

    IRegistryApi& m_registry;
    int32_t m_settingsChanged = 0;
    int32_t m_stopped = 0;
    int32_t m_reportFailed = 0;  // set by the run's first failed report creation
    int32_t m_excludeKeysChanged = 0;
    char m_searchTextUpper[260] = {};
    // The search text read as a number, for REG_DWORD and REG_QWORD data.
    bool m_searchIsNumber = false;
    uint64_t m_searchNumber = 0;
    char m_keyPath[1300] = {};
    size_t m_keyPathLength = 0;
    char m_resultFileName[260] = {};
    // A key name has at most 255 characters; in a double-byte code page that
    // is up to 510 bytes.
    char m_matchBuffer[512] = {};
    int64_t m_createTime = 0;
    std::tm m_createTm = {};
    char m_timeText[120] = {};
    char m_hostName[256] = {};
    char m_settingsFileName[260] = {};
    std::string m_settingsOverride;  // empty: beside the executable
    CFileData m_fileData;
    // The list in its order, for saving; its entries case-folded
    // (mbcs::FoldCase), so that a lookup costs the same however long the
    // list is; and the folded form of the path being looked up, whose
    // storage every lookup reuses.
    std::vector<std::string> m_excludeKeys;
    std::unordered_set<std::string> m_excludeKeyIndex;
    mutable std::string m_excludeKeyProbe;
};

// Reads text as an unsigned 64-bit number: decimal digits, or hexadecimal
// ones after "0x" or "0X". False for anything else, or when it overflows.
bool ParseSearchNumber(const char* text, uint64_t* number);
