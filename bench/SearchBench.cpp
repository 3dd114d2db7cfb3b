// kestrin-bench.exe: times Kestrin's search against a plain walk that makes
// the same registry calls without matching or writing, and prints ratios.
// Rounds alternate the runs so that caching favours none of them.
//   kestrin-bench [search] [rounds]    the search in this process
//   kestrin-bench process [pairs]      kestrin-find.exe against kestrin-plainwalk.exe
//   kestrin-bench exclude [rounds]     a 500-entry exclusion list against an empty one
//   kestrin-bench regex [pairs]        kestrin-find /R against the plain-text search
//   kestrin-bench build-registry KEYS  fills the registry with a synthetic tree
#include <windows.h>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/PlainWalk.h"
#include "engine/RegKeyTools.h"
#include "registry/LiveRegistry.h"

namespace {

using bench::Median;
using bench::Seconds;
using bench::ThreadCpuSeconds;

constexpr char kOftenText[] = "Microsoft";
constexpr char kNeverText[] = "qz~Kestrin-never-matches~zq";

struct SearchTime {
    double seconds;
    double cpu;  // this thread's own time: matching and look-ups, not the Wine server's work
    long keys;
    long found;
};

// One /K /V search with a fresh engine that reads settings (and so its
// exclusion list) from the given file; its report is deleted.
SearchTime TimeSearch(const std::string& settings, const char* text) {
    CRegKeyTools tools(settings.c_str(), LiveRegistries());
    SearchCounters counters{};
    tools.m_lookAtKeys = 1;
    tools.m_lookAtValues = 1;
    tools.m_wholeString = 0;
    tools.m_matchCase = 0;
    std::strncpy(tools.m_searchText, text, sizeof tools.m_searchText - 1);
    tools.m_searchCounters = &counters;
    double start = Seconds(), cpuStart = ThreadCpuSeconds();
    tools.Search();
    double elapsed = Seconds() - start, cpu = ThreadCpuSeconds() - cpuStart;
    if (tools.Report().FileName()[0]) ::DeleteFileA(tools.Report().FileName());
    return {elapsed, cpu, SearchCounters::Read(counters.keys), SearchCounters::Read(counters.found)};
}

int RunSearchBench(int rounds) {
    std::string settings = bench::MakeScratchFolder() + "\\bench.ini";
    std::vector<double> plain, often, never;
    long keys = 0, oftenFound = 0, neverFound = 0;
    for (int round = 0; round < rounds; ++round) {
        double start = Seconds();
        keys = PlainWalkAllRoots(LiveRegistries().narrow).keys;
        plain.push_back(Seconds() - start);
        SearchTime oftenRun = TimeSearch(settings, kOftenText);
        SearchTime neverRun = TimeSearch(settings, kNeverText);
        often.push_back(oftenRun.seconds);
        never.push_back(neverRun.seconds);
        oftenFound = oftenRun.found;
        neverFound = neverRun.found;
    }
    double base = Median(plain);
    std::printf("rounds: %d, keys walked: %ld\n", rounds, keys);
    std::printf("plain walk:                          %8.3f s\n", base);
    std::printf("search /K /V \"%s\" (%ld hits): %8.3f s  ratio %.3f\n", kOftenText, oftenFound, Median(often),
                Median(often) / base);
    std::printf("search /K /V, no hit (%ld hits):       %8.3f s  ratio %.3f\n", neverFound, Median(never),
                Median(never) / base);
    return 0;
}

}  // namespace

namespace bench {

// The look-up alone, in nanoseconds per key: paths of a walk's typical
// length against the list in settings. Unlike a whole search it is not
// drowned by the noise of the Wine server's work.
double LookupNanoseconds(const std::string& settings) {
    CRegKeyTools tools(settings.c_str(), LiveRegistries());
    std::vector<std::string> paths;
    char path[160];
    for (int i = 0; i < 20000; ++i) {
        std::snprintf(path, sizeof path, "HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{%08X-1234-5678-9ABC-DEF0%08X}",
                      i * 2654435761u, i);
        paths.push_back(path);
    }
    const int passes = 10;
    int excluded = 0;
    double start = Seconds();
    for (int pass = 0; pass < passes; ++pass)
        for (const std::string& candidate : paths) excluded += tools.Exclusions().IsExcluded(candidate.c_str());
    double elapsed = Seconds() - start;
    if (excluded) std::printf("(%d look-ups found an entry)\n", excluded);
    return elapsed * 1e9 / (passes * static_cast<double>(paths.size()));
}

// The same search with 500 entries that name no key of the registry and
// with an empty list: what the look-up itself costs per key.
int RunExcludeBench(int rounds) {
    std::string folder = MakeScratchFolder();
    std::string empty = folder + "\\bench-empty.ini", full = folder + "\\bench-500.ini";
    std::vector<std::string> entries;
    char entry[128];
    for (int i = 0; i < 500; ++i) {
        std::snprintf(entry, sizeof entry, "HKEY_LOCAL_MACHINE\\Software\\Kestrin Bench Absent\\Key %03d", i);
        entries.push_back(entry);
    }
    if (!WriteSettings(empty, {}) || !WriteSettings(full, entries)) {
        std::fprintf(stderr, "cannot write the settings files in %s\n", folder.c_str());
        return 1;
    }
    std::vector<double> without, with, ratios, withoutCpu, withCpu;
    SearchTime withRun{}, withoutRun{};
    for (int round = 0; round < rounds; ++round) {
        // Alternate which list goes first in a round.
        if (round % 2 == 0) withoutRun = TimeSearch(empty, kNeverText);
        withRun = TimeSearch(full, kNeverText);
        if (round % 2 != 0) withoutRun = TimeSearch(empty, kNeverText);
        without.push_back(withoutRun.seconds);
        with.push_back(withRun.seconds);
        ratios.push_back(withRun.seconds / withoutRun.seconds);
        withoutCpu.push_back(withoutRun.cpu);
        withCpu.push_back(withRun.cpu);
    }
    std::printf("rounds: %d, keys walked: %ld with the list, %ld without\n", rounds, withRun.keys, withoutRun.keys);
    std::printf("search /K /V, no hit, empty exclusion list: %8.3f s, CPU %.3f s\n", Median(without),
                Median(withoutCpu));
    std::printf("search /K /V, no hit, 500 entries:          %8.3f s, CPU %.3f s; ratio %.3f (median of rounds "
                "%.3f), CPU ratio %.3f\n",
                Median(with), Median(withCpu), Median(with) / Median(without), Median(ratios),
                Median(withCpu) / Median(withoutCpu));
    const double lookup = LookupNanoseconds(full), keyTime = Median(without) * 1e9 / withoutRun.keys;
    std::printf("look-up with 500 entries: %.0f ns per key, %.4f of a key's %.0f ns in the search\n", lookup,
                lookup / keyTime, keyTime);
    return 0;
}

}  // namespace bench

int main(int argc, char** argv) {
    int next = 1;
    std::string mode = "search";
    if (next < argc && !std::isdigit(static_cast<unsigned char>(argv[next][0]))) mode = argv[next++];
    const char* count = next < argc ? argv[next] : nullptr;
    int rounds = count ? std::max(1, std::atoi(count)) : 5;
    if (mode == "search") return RunSearchBench(rounds);
    if (mode == "process") return bench::RunProcessBench(rounds);
    if (mode == "exclude") return bench::RunExcludeBench(rounds);
    if (mode == "regex") return bench::RunRegexBench(rounds);
    if (mode == "build-registry" && count) return bench::BuildSyntheticRegistry(std::atol(count));
    if (mode == "replay" && argc >= 4)
        return bench::RunReplayBench(argv[2], argv[3], argc > 4 ? std::max(1, std::atoi(argv[4])) : 5);
    std::fprintf(stderr, "usage: kestrin-bench [search|process|exclude|regex] [rounds] | build-registry KEYS | "
                         "replay CLEAN DIRTY [pairs]\n");
    return 64;
}
