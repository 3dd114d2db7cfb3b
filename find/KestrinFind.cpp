// kestrin-find: the search engine behind a console. Same walk, same report in
// the current directory (unless /F places it), same exclusion list from
// Kestrin.ini beside the executables; the options come from the command line
// and are never saved.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>

#include "base/ExecutableFolder.h"
#include "base/Handles.h"
#include "base/Mbcs.h"
#include "base/UtcTime.h"
#include "engine/RegKeyTools.h"
#include "engine/SearchContext.h"
#include "engine/StartKeys.h"
#include "errors/ReportError.h"
#include "registry/LiveRegistry.h"
#include "find/ExitCodes.h"
#include "find/FindCommandLine.h"
#include "find/FindListener.h"
#include "find/HiveMounts.h"
#include "hiveregistry/HiveRegistry.h"
#include "find/JsonLines.h"
#include "find/ProvenanceNote.h"
#include "find/TimeRange.h"
#include "regex/RegexPattern.h"

namespace {

std::atomic<HANDLE> g_stopEvent{nullptr};
std::atomic<CRegKeyTools*> g_engine{nullptr};  // set once the engine is wired
SearchContext g_context;  // zero-filled, as the worker expects

// A console program has nobody to close a message box (and without a display
// the box never shows): errors are written to standard error instead.
// The platform's texts end their lines with CR LF, and standard error adds a
// CR of its own before each LF.
void PrintError(const char* message) {
    std::string text = message;
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    std::fprintf(stderr, "\nkestrin-find: %s\n", text.c_str());
    std::fflush(stderr);
}

// Hands the stop event to the engine. The walk polls the engine's event once
// per sub-key, and under Wine each poll is a round trip to the Wine server,
// as costly as a registry call; without an event the walk polls nothing. So
// the engine gets the event only once it is signalled, and the walk's next
// poll sees it.
void HandOverStop(HANDLE stop) {
    if (CRegKeyTools* engine = g_engine.load()) engine->m_stopEvent.store(stop);
}

// Ends the search as the dialog's Stop button does: the report gets the
// interruption note and the run exits with Stopped.
void RequestStop() {
    if (HANDLE stop = g_stopEvent.load()) {
        ::SetEvent(stop);
        HandOverStop(stop);
    }
}

// Ctrl+C and Ctrl+Break stop the search.
BOOL WINAPI OnConsoleControl(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    RequestStop();
    return TRUE;
}

// Without the executable's folder, the current directory's.
std::string SettingsPathBesideExecutable() {
    const std::string folder = ExecutableFolder();
    return folder.empty() ? "Kestrin.ini" : folder + "\\Kestrin.ini";
}

// How often the status line is rewritten while the worker runs.
constexpr DWORD kStatusIntervalMs = 200;

// A console shows the status line rewritten in place; a file or a pipe gets
// one summary line at the end instead of a run of carriage returns.
bool StandardErrorIsConsole() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != FALSE;
}

// Writes the status from the counters: in place ("\r" first) or as a line.
// Deleted keys and values (only /X finds any) are counted once there are.
void ShowStatus(const SearchCounters& counters, bool inPlace) {
    const long deletedKeys = SearchCounters::Read(counters.deletedKeys);
    const long deletedValues = SearchCounters::Read(counters.deletedValues);
    char deleted[80] = "";
    if (deletedKeys || deletedValues)
        std::snprintf(deleted, sizeof deleted, "  Deleted keys %ld, values %ld", deletedKeys, deletedValues);
    std::fprintf(stderr, "%sSearch: Keys %ld, Values %ld  Found items: %ld%s%s", inPlace ? "\r" : "",
                 static_cast<long>(SearchCounters::Read(counters.keys)),
                 static_cast<long>(SearchCounters::Read(counters.values)),
                 static_cast<long>(SearchCounters::Read(counters.found)), deleted, inPlace ? "" : "\n");
    std::fflush(stderr);
}

// Whether everything written to stream so far reached it. The stream's error
// flag is asked as well: an unbuffered stream (standard error) has nothing
// left to flush after a failed write.
bool Delivered(std::FILE* stream) { return std::fflush(stream) == 0 && !std::ferror(stream); }

// Runs the worker and, until it ends, shows its progress from the counters
// and hands a console the /J lines it holds back.
// The engine has no window to post to: this thread only waits on the
// worker's handle, so the process never makes a window (under Wine the
// first one starts a desktop process and, without a display, writes the
// display driver's error into the registry). The summary line is written
// after the search, so a reader of standard error that went away stops
// nothing, but the run ends as for a lost reader of standard output.
FindExit RunSearch(SearchContext& context, JsonLinesWriter& json) {
    UniqueKernelHandle thread(::CreateThread(nullptr, 0, SearchThreadProc, &context, 0, nullptr));
    if (!thread) {
        std::fprintf(stderr, "kestrin-find: cannot start the search (error %lu)\n", ::GetLastError());
        return FindExit::Internal;
    }
    const bool console = StandardErrorIsConsole();
    if (console) ShowStatus(context.m_counters, true);
    while (::WaitForSingleObject(thread.get(), kStatusIntervalMs) == WAIT_TIMEOUT) {
        if (console) ShowStatus(context.m_counters, true);
        json.Flush();
    }
    DWORD threadExit = kSearchUnreadable;
    ::GetExitCodeThread(thread.get(), &threadExit);
    ShowStatus(context.m_counters, console);
    if (console) std::fputc('\n', stderr);
    return FirstExit({WorkerExit(threadExit), Delivered(stderr) ? FindExit::Done : FindExit::Stopped});
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "kestrin-find: %s\n\n%s", message.c_str(), kFindUsage);
    return static_cast<int>(FindExit::Usage);
}

// The narrow walk's text: TEXT in the ANSI code page, best fit for what it
// lacks, as the C run-time would make it, cut to what the engine holds and
// never inside a double-byte character. From here on these are the bytes the
// walk compares: a round trip through UTF-16 is not exact in a double-byte
// code page, where several byte pairs map to one character.
std::string NarrowSearchText(const std::wstring& text) {
    char cut[sizeof CRegKeyTools::m_searchText];
    mbcs::CopyBounded(cut, sizeof cut, mbcs::FromWide(text).c_str());
    return cut;
}

// With /H or /O the hives are the registry, and nothing else is read.
bool ReadsHives(const FindCommandLine& line) { return !line.hives.empty() || !line.offlineRoot.empty(); }

// "HKEY_LOCAL_MACHINE\SYSTEM (FILE), ...": where the hives that opened
// stand, for a message.
std::string MountedKeys(const HiveKeyStore& hives) {
    std::string keys;
    for (size_t index = 0; index < hives.MountCount(); ++index) {
        const HiveMount& mount = hives.Mount(index);
        if (!mount.open || mount.link) continue;
        keys += (keys.empty() ? "" : ", ") + mbcs::FromWide(mount.key) + " (" + mbcs::FromWide(mount.file) + ")";
    }
    return keys.empty() ? "nowhere: none opened" : keys;
}

// What the command line names that can fail before any search: the
// expression, the hive files and the start keys.
struct SearchInputs {
    std::unique_ptr<RegexPattern> pattern;  // with /R
    std::string narrowText;                 // without /U: NarrowSearchText of TEXT
    HiveKeyStore hives;                     // with /H: the registry searched
    HiveRegistries hiveRegistries{hives};
    HiveSetup hiveSetup;                    // what went wrong with the hive files
    bool showUsage = true;                  // with an error: whether the usage text helps
    // Resolved, in the width of the run.
    std::vector<std::string> startKeys;
    std::vector<std::wstring> wideStartKeys;
    // With /H, hives that did not open can leave nothing to search.
    bool NothingToSearch() const { return hives.MountCount() > 0 && startKeys.empty() && wideStartKeys.empty(); }
};

// Checks the start keys (the /S keys, or those the hives left) in the
// registry of the run's width; a narrow walk's keys are the best fit of
// the given ones in the code page, as its text is. Empty, or the usage error.
std::string ResolveStarts(bool unicode, const std::vector<std::wstring>& given, const RegistryPair& registries,
                          SearchInputs* inputs) {
    std::wstring failedWideKey;
    if (unicode) {
        if (ResolveStartKeys(registries.wide, given, &inputs->wideStartKeys, &failedWideKey)) return std::string();
        return "cannot open the start key " + mbcs::FromWide(failedWideKey);
    }
    std::vector<std::string> narrowGiven;
    for (const std::wstring& key : given) narrowGiven.push_back(mbcs::FromWide(key));
    std::string failedKey;
    if (ResolveStartKeys(registries.narrow, narrowGiven, &inputs->startKeys, &failedKey)) return std::string();
    return "cannot open the start key " + failedKey;
}

// Compiles the expression once for the whole run, opens the hive files and
// checks the start keys, so that a mistyped one costs no search and leaves
// no file. Empty, or the usage error (a failed key named as typed).
std::string ResolveInputs(const FindCommandLine& line, const RegistryPair& registries, SearchInputs* inputs) {
    const SearchOptions& options = line.options;
    if (!options.m_unicode) inputs->narrowText = NarrowSearchText(line.text);
    std::string error;
    if (line.regex) {
        // The ANSI walk matches TEXT as the code page has it, in UTF-16 like
        // the names and data it is matched against.
        const std::string& narrow = inputs->narrowText;
        const std::wstring text = options.m_unicode ? line.text : mbcs::ToWide(narrow.data(), narrow.size());
        inputs->pattern = RegexPattern::Compile(text, options.m_matchCase != 0, options.m_wholeString != 0, &error);
        if (!inputs->pattern) return error;
    }
    HiveSetup& setup = inputs->hiveSetup;
    setup.startKeys = line.startKeys;
    if (!ReadsHives(line)) return ResolveStarts(options.m_unicode, setup.startKeys, registries, inputs);
    if (line.deleted) inputs->hives.RecoverDeleted();
    if (!SetUpHives(line, &inputs->hives, &setup)) return setup.error;
    error = ResolveStarts(options.m_unicode, setup.startKeys, registries, inputs);
    // A key missing in a hive is no slip of the command line's syntax.
    if (!error.empty()) {
        inputs->showUsage = false;
        error += ", which is not in its hive; the hives stand at " + MountedKeys(inputs->hives);
    }
    return error;
}

// Hands the command line's search and the worker's wiring to the engine; the
// stop event only when Ctrl+C came already. Without /D or /B the report header
// shows the Data option of Kestrin.ini, as it always has. A report of hive
// files names them and the command line, and keeps itself from import.
void PrepareEngine(CRegKeyTools& tools, const FindCommandLine& line, const std::vector<std::wstring>& arguments,
                   const SearchInputs& inputs, HANDLE stopEvent) {
    SearchOptions options = line.options;
    if (!options.m_lookAtTypedData && !options.m_lookAtBinary) options.m_lookAtData = tools.m_lookAtData;
    static_cast<SearchOptions&>(tools) = options;
    if (options.m_unicode)
        std::wmemcpy(tools.m_searchTextWide, line.text.c_str(), line.text.size() + 1);
    else
        std::memcpy(tools.m_searchText, inputs.narrowText.c_str(), inputs.narrowText.size() + 1);
    tools.m_startKeys = inputs.startKeys;
    tools.m_wideStartKeys = inputs.wideStartKeys;
    tools.m_pattern = inputs.pattern.get();
    tools.m_headerNote = inputs.hiveSetup.headerNote;
    if (ReadsHives(line)) {
        tools.m_headerNote += ProvenanceNote(inputs.hives, arguments);
        tools.Report().KeepFromImport();
    }
    if (line.reportPlace == L"-")
        tools.Report().WriteNowhere();
    else
        tools.Report().PlaceAt(mbcs::FromWide(line.reportPlace));
    g_context.m_tools = &tools;
    g_context.m_stopEvent = stopEvent;
    tools.m_searchCounters = &g_context.m_counters;
    g_engine = &tools;
    if (::WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0) HandOverStop(stopEvent);
}

// Gives the report's path, if there is a report: in /J's summary, with the
// exit code, or on a line of standard output. False when the reader of
// standard output went away, before (a failed line of a hit) or now: as a
// reader gone during the search, the run ends with Stopped.
bool WriteReportPath(const FindCommandLine& line, const CRegKeyTools& tools, const SearchInputs& inputs,
                     JsonLinesWriter& json, FindExit runExit) {
    const char* report = tools.Report().FileName();
    const bool haveReport = report[0] && ::GetFileAttributesA(report) != INVALID_FILE_ATTRIBUTES;
    if (line.json) {
        json.WriteSummary(haveReport ? report : nullptr, g_context.m_counters, HiveSummaries(inputs.hives),
                          static_cast<int>(runExit));
        return !json.Failed();
    }
    if (!haveReport) return true;
    std::printf("%s\n", report);
    return Delivered(stdout);
}

// /T FROM alone reads as "that day" to many, but means "from then on": the
// range used is told before the search.
void TellTimeRange(const SearchOptions& options, uint64_t now) {
    if (!options.TimeFiltered()) return;
    const TimeRange range{options.m_modifiedFrom, options.m_modifiedTo};
    std::fprintf(stderr, "searching keys written %s\n", DescribeTimeRange(range, now).c_str());
    std::fflush(stderr);
}

}  // namespace

// The wide command line is split once; the narrow arguments are made from
// it, so that both widths see the same arguments whatever the quoting.
int main() {
    FILETIME time;
    ::GetSystemTimeAsFileTime(&time);
    const uint64_t now = FileTimeTicks(time);
    const std::vector<std::wstring> arguments = SplitCommandLine(::GetCommandLineW());
    const FindCommandLine line = ParseFindCommandLine(arguments, now);
    if (line.help) {
        std::fputs(kFindUsage, stdout);
        return static_cast<int>(FindExit::Done);
    }
    if (!line.error.empty()) return UsageError(line.error);
    TellTimeRange(line.options, now);
    SearchInputs inputs;
    const RegistryPair registries = ReadsHives(line) ? inputs.hiveRegistries.Pair() : LiveRegistries();
    const std::string inputError = ResolveInputs(line, registries, &inputs);
    if (!inputError.empty()) {
        if (inputs.hiveSetup.failExit == FindExit::Usage && inputs.showUsage) return UsageError(inputError);
        std::fprintf(stderr, "kestrin-find: %s\n", inputError.c_str());
        return static_cast<int>(inputs.hiveSetup.failExit);
    }

    // The stop event exists before anything else, so that a Ctrl+C at any
    // moment stops the search instead of killing the process. A process
    // started in a new process group has Ctrl+C turned off until it asks.
    UniqueKernelHandle stopEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    g_stopEvent = stopEvent.get();
    ::SetConsoleCtrlHandler(nullptr, FALSE);
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);

    SetErrorPresenter(&PrintError);
    CRegKeyTools tools(SettingsPathBesideExecutable().c_str(), registries);
    PrepareEngine(tools, line, arguments, inputs, stopEvent.get());
    // A reader of /J's lines that goes away stops the search.
    JsonLinesWriter json(::GetStdHandle(STD_OUTPUT_HANDLE), &RequestStop);
    if (line.deleted) json.CountDeleted();
    if (line.options.m_allValues) json.WithValues();
    FindListener listener(line.json ? &json : nullptr, stderr);
    tools.m_hitListener = &listener;
    const FindExit searchExit = inputs.NothingToSearch() ? FindExit::Done : RunSearch(g_context, json);
    const FindExit runExit =
        FirstExit({searchExit, listener.NotSearched() ? FindExit::NotSearched : FindExit::Done, inputs.hiveSetup.filesExit,
                   inputs.hives.DamageCount() > 0 ? FindExit::Unreadable : FindExit::Done});

    ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    g_stopEvent = nullptr;
    g_engine = nullptr;
    const bool delivered = WriteReportPath(line, tools, inputs, json, runExit);
    return static_cast<int>(delivered ? runExit : FirstExit({runExit, FindExit::Stopped}));
}
