// What kestrin-find's switches cost: a search with /K /V /N /D against the
// same search with /K /V, and searches below start keys against the whole
// registry, per key walked. Rounds alternate the runs so that caching
// favours none of them; medians are printed.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "engine/RegKeyTools.h"
#include "engine/StartKeys.h"
#include "registry/LiveRegistry.h"

namespace {

using bench::Median;
using bench::Seconds;

struct Run {
    const char* label;
    const char* text;
    bool allSwitches;  // /N /D on top of /K /V
    const char* startKey;  // null: the four roots
    std::vector<double> seconds;
    long keys = 0;
    long found = 0;
};

// One search with a fresh engine (empty exclusion list) in the current folder;
// its report is deleted again.
void TimeOnce(const std::string& settings, Run& run) {
    CRegKeyTools tools(settings.c_str(), LiveRegistries());
    SearchCounters counters{};
    tools.m_lookAtKeys = 1;
    tools.m_lookAtValues = 1;
    tools.m_lookAtNames = run.allSwitches;
    tools.m_lookAtTypedData = run.allSwitches;
    std::strncpy(tools.m_searchText, run.text, sizeof tools.m_searchText - 1);
    tools.m_searchCounters = &counters;
    std::string failed;
    if (run.startKey && !ResolveStartKeys(LiveRegistries().narrow, {run.startKey}, &tools.m_startKeys, &failed)) {
        std::fprintf(stderr, "cannot open %s\n", failed.c_str());
        std::exit(1);
    }
    const double start = Seconds();
    tools.Search();
    run.seconds.push_back(Seconds() - start);
    run.keys = SearchCounters::Read(counters.keys);
    run.found = SearchCounters::Read(counters.found);
    if (tools.Report().FileName()[0]) ::DeleteFileA(tools.Report().FileName());
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    char temp[MAX_PATH];
    ::GetTempPathA(sizeof temp, temp);
    const std::string folder = std::string(temp) + "kestrin-switch-bench";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    ::SetCurrentDirectoryA(folder.c_str());
    const std::string settings = folder + "\\bench.ini";

    const char* often = "Microsoft";
    const char* never = "qz~Kestrin-never-matches~zq";
    std::vector<Run> runs = {
        {"/K /V Microsoft", often, false, nullptr, {}},
        {"/K /V /N /D Microsoft", often, true, nullptr, {}},
        {"/K /V (no hit)", never, false, nullptr, {}},
        {"/K /V /N /D (no hit)", never, true, nullptr, {}},
        {"/K /V /S HKLM\\Software (no hit)", never, false, "HKLM\\Software", {}},
        {"/K /V /S HKCR (no hit)", never, false, "HKCR", {}},
        {"/K /V /S HKLM\\System (no hit)", never, false, "HKLM\\System", {}},
    };
    for (int round = 0; round < rounds; ++round)
        for (Run& run : runs) TimeOnce(settings, run);

    std::printf("rounds: %d (medians)\n", rounds);
    for (const Run& run : runs)
        std::printf("%-36s %6ld keys %5ld hits %8.3f s  %6.3f ms/key\n", run.label, run.keys, run.found,
                    Median(run.seconds), 1000.0 * Median(run.seconds) / std::max(1L, run.keys));
    std::printf("ratio /K /V /N /D to /K /V, Microsoft: %.3f\n", Median(runs[1].seconds) / Median(runs[0].seconds));
    std::printf("ratio /K /V /N /D to /K /V, no hit:    %.3f\n", Median(runs[3].seconds) / Median(runs[2].seconds));
    const double perKey = Median(runs[2].seconds) / runs[2].keys;
    for (size_t i = 4; i < runs.size(); ++i)
        std::printf("%s: time per key relative to the whole registry: %.3f\n", runs[i].startKey,
                    Median(runs[i].seconds) / runs[i].keys / perKey);
    return 0;
}
