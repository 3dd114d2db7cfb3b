// kestrin-find: the search engine behind a console. Same walk, same report in
// the current directory, same exclusion list from Kestrin.ini beside the
// executables; the options come from the command line and are never saved.
#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "base/Handles.h"
#include "engine/RegKeyTools.h"
#include "engine/SearchContext.h"
#include "engine/StartKeys.h"
#include "errors/ReportError.h"
#include "find/FindCommandLine.h"
#include "find/HiveMounts.h"
#include "find/JsonLines.h"

namespace {

constexpr int kUsageExit = 64;

// The worker ends with 4 when the report could not be created; here that is
// 3, next to 0 done, 1 stopped and 2 some keys unreadable, which pass as
// they are. The worker's own 3 (no engine) cannot happen here.
constexpr DWORD kWorkerReportFailed = 4;
constexpr int kReportFailedExit = 3;
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

// Ctrl+C and Ctrl+Break do what the dialog's Stop button does.
BOOL WINAPI OnConsoleControl(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    if (HANDLE stop = g_stopEvent.load()) {
        ::SetEvent(stop);
        HandOverStop(stop);
    }
    return TRUE;
}

std::string SettingsPathBesideExecutable() {
    char path[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return "Kestrin.ini";
    std::string result(path, length);
    return result.substr(0, result.find_last_of('\\') + 1) + "Kestrin.ini";
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
void ShowStatus(const SearchCounters& counters, bool inPlace) {
    std::fprintf(stderr, "%sSearch: Keys %ld, Values %ld  Found items: %ld%s", inPlace ? "\r" : "",
                 static_cast<long>(SearchCounters::Read(counters.keys)),
                 static_cast<long>(SearchCounters::Read(counters.values)),
                 static_cast<long>(SearchCounters::Read(counters.found)), inPlace ? "" : "\n");
    std::fflush(stderr);
}

// Runs the worker and, until it ends, shows its progress from the counters.
// The engine has no window to post to: this thread only waits on the
// worker's handle, so the process never makes a window (under Wine the
// first one starts a desktop process and, without a display, writes the
// display driver's error into the registry).
DWORD RunSearch(SearchContext& context) {
    UniqueKernelHandle thread(::CreateThread(nullptr, 0, SearchThreadProc, &context, 0, nullptr));
    if (!thread) {
        std::fprintf(stderr, "kestrin-find: cannot start the search (error %lu)\n", ::GetLastError());
        return 2;
    }
    const bool console = StandardErrorIsConsole();
    if (console) ShowStatus(context.m_counters, true);
    while (::WaitForSingleObject(thread.get(), kStatusIntervalMs) == WAIT_TIMEOUT)
        if (console) ShowStatus(context.m_counters, true);
    DWORD exitCode = 2;
    ::GetExitCodeThread(thread.get(), &exitCode);
    ShowStatus(context.m_counters, console);
    if (console) std::fputc('\n', stderr);
    return exitCode;
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "kestrin-find: %s\n\n%s", message.c_str(), kFindUsage);
    return kUsageExit;
}

// Hands the command line's search and the worker's wiring to the engine; the
// stop event only when Ctrl+C came already.
void PrepareEngine(CRegKeyTools& tools, const FindCommandLine& line, const std::wstring& wideText,
                   HANDLE stopEvent) {
    tools.m_lookAtKeys = line.keys;
    tools.m_lookAtValues = line.values;
    tools.m_lookAtNames = line.names;
    tools.m_lookAtTypedData = line.typedData;
    // The report header tells that typed data was searched. Without /D the
    // header shows the Data option of Kestrin.ini, as it always has.
    if (line.typedData) tools.m_lookAtData = 1;
    tools.m_wholeString = line.wholeString;
    tools.m_matchCase = line.matchCase;
    std::memcpy(tools.m_searchText, line.text.c_str(), line.text.size() + 1);
    tools.m_unicode = line.unicode;
    std::wmemcpy(tools.m_searchTextWide, wideText.c_str(), wideText.size() + 1);
    g_context.m_tools = &tools;
    g_context.m_stopEvent = stopEvent;
    tools.m_searchCounters = &g_context.m_counters;
    g_engine = &tools;
    if (::WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0) HandOverStop(stopEvent);
}

}  // namespace

int main(int argc, char** argv) {
    FindCommandLine line = ParseFindCommandLine(argc, argv);
    if (line.help) {
        std::fputs(kFindUsage, stdout);
        return 0;
    }
    if (!line.error.empty()) return UsageError(line.error);
    // The C run-time's argv went through the ANSI code page, which turns what
    // it lacks into "?" or a look-alike; /U takes TEXT and the start keys
    // from the wide command line instead, and /H its files and keys.
    std::wstring wideText;
    std::vector<std::wstring> wideStartKeys;
    int wideArgc = 0;
    UniqueLocalMemory wideOwner;
    LPWSTR* wideArgv = nullptr;
    if (line.unicode || !line.hives.empty()) {
        wideArgv = ::CommandLineToArgvW(::GetCommandLineW(), &wideArgc);
        wideOwner.reset(wideArgv);
        if (!TakeWideArguments(line, wideArgc, wideArgv, &wideText, &wideStartKeys)) return UsageError(line.error);
    }
    // With /H the hives are the registry, and nothing else is read.
    HiveRegistry hives;
    int filesExit = 0;
    std::vector<std::string> narrowGiven = line.startKeys;
    std::string hiveError;
    if (!line.hives.empty() && !SetUpHives(line, wideArgv, &hives, &wideStartKeys, &narrowGiven, &filesExit, &hiveError))
        return UsageError(hiveError);
    const RegistryDoors doors = line.hives.empty() ? LiveRegistry() : hives.Doors();
    // Checked before the search, so that a mistyped key costs no search and
    // leaves no file. A failed key is named as typed.
    std::vector<std::string> startKeys;
    std::vector<std::wstring> resolvedWideKeys;
    std::string failedKey;
    std::wstring failedWideKey;
    if (line.unicode) {
        if (!ResolveStartKeys(doors.wide, wideStartKeys, &resolvedWideKeys, &failedWideKey)) {
            const auto failed = std::find(wideStartKeys.begin(), wideStartKeys.end(), failedWideKey);
            return UsageError("cannot open the start key " + narrowGiven[failed - wideStartKeys.begin()]);
        }
    } else if (!ResolveStartKeys(doors.narrow, narrowGiven, &startKeys, &failedKey)) {
        return UsageError("cannot open the start key " + failedKey);
    }

    // The stop event exists before anything else, so that a Ctrl+C at any
    // moment stops the search instead of killing the process. A process
    // started in a new process group has Ctrl+C turned off until it asks.
    UniqueKernelHandle stopEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    g_stopEvent = stopEvent.get();
    ::SetConsoleCtrlHandler(nullptr, FALSE);
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);

    SetErrorPresenter(&PrintError);
    CRegKeyTools tools(SettingsPathBesideExecutable().c_str(), doors);
    PrepareEngine(tools, line, wideText, stopEvent.get());
    tools.m_startKeys = startKeys;
    tools.m_wideStartKeys = resolvedWideKeys;
    // JSON Lines end their lines with a bare LF, which a text-mode stdout
    // would turn into CR LF.
    JsonLinesWriter json(stdout);
    if (line.json) {
        _setmode(_fileno(stdout), _O_BINARY);
        tools.m_hitListener = &json;
    }
    // Hives of which none opened leave nothing to search.
    const bool nothingToSearch = !line.hives.empty() && startKeys.empty() && resolvedWideKeys.empty();
    const DWORD workerExit = nothingToSearch ? 0 : RunSearch(g_context);
    int exitCode = workerExit == kWorkerReportFailed ? kReportFailedExit : static_cast<int>(workerExit);
    if (!line.hives.empty()) exitCode = HiveRunExit(exitCode, filesExit, hives.DamageCount() > 0);

    ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    g_stopEvent = nullptr;
    g_engine = nullptr;
    const char* report = tools.Report().FileName();
    const bool haveReport = report[0] && ::GetFileAttributesA(report) != INVALID_FILE_ATTRIBUTES;
    if (line.json)
        json.WriteSummary(haveReport ? report : nullptr, g_context.m_counters, HiveSummaries(hives), exitCode);
    else if (haveReport)
        std::printf("%s\n", report);
    return exitCode;
}
