// The whole process: kestrin-find.exe against kestrin-plainwalk.exe, which
// makes the same registry calls in a process of its own, and
// kestrin-find /U against the same search through the ANSI calls. Start-up, the
// settings file, the report, the status output and exit all count here.
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/ExecutableFolder.h"
#include "base/Mbcs.h"
#include "bench/BenchSupport.h"
#include "base/TextTraits.h"
#include "regex/RegexPattern.h"

namespace bench {
namespace {

double FileTimeSeconds(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 1e7;
}

}  // namespace

ProcessTime TimeProcess(const std::string& application, std::string commandLine, const std::string& folder,
                        const std::string& errorFile) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = ::CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);
    HANDLE log = errorFile.empty() ? INVALID_HANDLE_VALUE
                                   : ::CreateFileA(errorFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                                   CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = nul;
    startup.hStdError = log != INVALID_HANDLE_VALUE ? log : nul;
    PROCESS_INFORMATION process = {};
    ProcessTime result;
    double start = Seconds();
    if (::CreateProcessA(application.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(),
                         &startup, &process)) {
        ::WaitForSingleObject(process.hProcess, INFINITE);
        result.seconds = Seconds() - start;
        FILETIME created, exited, kernel, user;
        if (::GetProcessTimes(process.hProcess, &created, &exited, &kernel, &user))
            result.cpu = FileTimeSeconds(kernel) + FileTimeSeconds(user);
        ::GetExitCodeProcess(process.hProcess, &result.exitCode);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    } else {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", application.c_str(), ::GetLastError());
        result.exitCode = MAXDWORD;
    }
    if (nul != INVALID_HANDLE_VALUE) ::CloseHandle(nul);
    if (log != INVALID_HANDLE_VALUE) ::CloseHandle(log);
    return result;
}

void ComparePairs(const Command& measured, const Command& baseline, const std::string& folder, int pairs) {
    std::vector<double> measuredWall, baseWall, measuredCpu, baseCpu, ratios;
    DWORD measuredExit = 0;
    for (int pair = 0; pair < pairs; ++pair) {
        ProcessTime m, b;
        if (pair % 2 == 0) b = TimeProcess(baseline.application, baseline.line, folder, baseline.errorFile);
        m = TimeProcess(measured.application, measured.line, folder, measured.errorFile);
        if (pair % 2 != 0) b = TimeProcess(baseline.application, baseline.line, folder, baseline.errorFile);
        DeleteReports(folder);
        measuredExit = m.exitCode;
        measuredWall.push_back(m.seconds);
        baseWall.push_back(b.seconds);
        measuredCpu.push_back(m.cpu);
        baseCpu.push_back(b.cpu);
        ratios.push_back(m.seconds / b.seconds);
    }
    std::printf("%s (exit %lu) against %s: %7.3f s against %7.3f s, ratio of medians %.3f, "
                "median of pair ratios %.3f; CPU %7.3f s against %7.3f s, ratio %.3f\n",
                measured.line.c_str(), measuredExit, baseline.line.c_str(), Median(measuredWall), Median(baseWall),
                Median(measuredWall) / Median(baseWall), Median(ratios), Median(measuredCpu), Median(baseCpu),
                Median(measuredCpu) / Median(baseCpu));
}

// A copy of its own, so that the Kestrin.ini beside it (an empty exclusion
// list) is the benchmark's and not the build's.
std::string CopyFindInto(const std::string& folder) {
    const std::string find = folder + "\\kestrin-find.exe";
    if (!::CopyFileA((ExecutableFolder() + "\\kestrin-find.exe").c_str(), find.c_str(), FALSE) ||
        !WriteSettings(folder + "\\Kestrin.ini", {})) {
        std::fprintf(stderr, "cannot prepare %s\n", folder.c_str());
        return std::string();
    }
    return find;
}

int RunProcessBench(int pairs) {
    const std::string folder = MakeScratchFolder();
    const std::string find = CopyFindInto(folder);
    const std::string plain = ExecutableFolder() + "\\kestrin-plainwalk.exe";
    if (find.empty()) return 1;
    std::vector<double> startUp;
    for (int i = 0; i < pairs; ++i) startUp.push_back(TimeProcess(find, "kestrin-find /?", folder).seconds);
    std::printf("pairs: %d; process start and exit (kestrin-find /?): %.3f s\n", pairs, Median(startUp));
    // The search against the plain walk, and /U against the same search.
    for (const char* text : {"Microsoft", "qz~Kestrin-never-matches~zq"}) {
        const Command narrow{find, std::string("kestrin-find /K /V ") + text};
        ComparePairs(narrow, {plain, "kestrin-plainwalk"}, folder, pairs);
        ComparePairs({find, std::string("kestrin-find /U /K /V ") + text}, narrow, folder, pairs);
    }
    return 0;
}

// What matching one string costs, in nanoseconds, without the Wine server's
// noise: the plain ANSI match (upper-cased copy, then a search) against /R's
// (conversion to UTF-16, then the expression), on strings of a registry's
// typical length, none of which holds the word.
void PrintMatchCost(const char* word) {
    std::vector<std::string> strings;
    char text[160];
    for (unsigned i = 0; i < 20000; ++i) {
        std::snprintf(text, sizeof text, "C:\\Program Files\\Common Files\\Shared %08X\\Component %u.dll,-%u",
                      i * 2654435761u, i, i % 977);
        strings.push_back(text);
    }
    char upper[260] = {}, scratch[160];
    mbcs::CopyBounded(upper, sizeof upper, word);
    mbcs::UpperInPlace(upper, sizeof upper);
    std::string error;
    const auto pattern = RegexPattern::Compile(mbcs::ToWide(word, std::strlen(word)), false, false, &error);
    std::wstring wide;
    const int passes = 10;
    int found = 0;
    const double plainStart = Seconds();
    for (int pass = 0; pass < passes; ++pass)
        for (const std::string& candidate : strings) {
            NarrowText::CopyUpper(scratch, sizeof scratch, candidate.c_str());
            found += NarrowText::Contains(scratch, upper);
        }
    const double regexStart = Seconds();
    for (int pass = 0; pass < passes; ++pass)
        for (const std::string& candidate : strings) {
            mbcs::ToWide(candidate.data(), candidate.size(), &wide);
            found += pattern->Match(wide.data(), wide.size()) == RegexPattern::Result::Match;
        }
    const double end = Seconds(), count = passes * static_cast<double>(strings.size());
    std::printf("one string of %zu bytes, \"%s\" (%d found): plain %.0f ns, /R %.0f ns\n", strings[0].size(), word,
                found, (regexStart - plainStart) * 1e9 / count, (end - regexStart) * 1e9 / count);
}

// A pathological expression against /R with a plain word on keys whose
// long values make it backtrack without end: each such value costs the
// expression's whole budget and a line on standard error, so the ratio shows
// what that budget costs. Standard error goes to NUL and then to a file, as
// a script's log: Wine's NUL takes about 2.5 ms a write, which alone would
// double the pathological run's time.
bool ComparePathological(const std::string& find, const std::string& folder, int pairs) {
    const std::string tree = MakeRegexTrapTree();
    if (tree.empty()) {
        std::fprintf(stderr, "cannot make the keys for the pathological expression\n");
        return false;
    }
    const std::string log = folder + "\\stderr.log";
    for (const std::string& errorFile : {std::string(), log})
        for (const char* switches : {"/V ", "/U /V "}) {
            const std::string search = std::string("kestrin-find /R ") + switches + "/S \"" + tree + "\" ";
            std::printf("standard error to %s:\n", errorFile.empty() ? "NUL" : errorFile.c_str());
            ComparePairs({find, search + "(x+x+)+y", errorFile}, {find, search + "Microsoft", errorFile}, folder,
                         pairs);
        }
    ::DeleteFileA(log.c_str());
    RemoveRegexTrapTree();
    return true;
}

// kestrin-find /R with a plain word against the plain-text search of the same
// registry, whole processes: the ratio of medians is the figure to watch.
int RunRegexBench(int pairs) {
    const std::string folder = MakeScratchFolder();
    const std::string find = CopyFindInto(folder);
    if (find.empty()) return 1;
    std::printf("pairs: %d\n", pairs);
    for (const char* switches : {"/K /V ", "/U /K /V "})
        for (const char* text : {"Microsoft", "qz~Kestrin-never-matches~zq"}) {
            const std::string plain = std::string("kestrin-find ") + switches + text;
            ComparePairs({find, std::string("kestrin-find /R ") + switches + text}, {find, plain}, folder, pairs);
        }
    PrintMatchCost("Microsoft");
    return ComparePathological(find, folder, pairs) ? 0 : 1;
}

}  // namespace bench
