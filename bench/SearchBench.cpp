// Times a full search of the registry against a plain walk that makes the same
// registry calls without matching or writing, and prints the ratios. Rounds
// alternate the three runs so that caching favours none of them.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/BenchTiming.h"
#include "bench/PlainWalk.h"
#include "engine/RegKeyTools.h"

namespace {

// One search with a fresh engine (empty exclusion list) in the scratch folder.
double TimeSearch(const std::string& folder, const char* text, long* found) {
    std::string settings = folder + "\\bench.ini";
    CRegKeyTools tools(settings.c_str());
    SearchCounters counters{};
    tools.m_lookAtKeys = 1;
    tools.m_lookAtValues = 1;
    tools.m_wholeString = 0;
    tools.m_matchCase = 0;
    std::strncpy(tools.m_searchText, text, sizeof tools.m_searchText - 1);
    tools.m_searchCounters = &counters;
    double start = Seconds();
    tools.Search();
    double elapsed = Seconds() - start;
    *found = SearchCounters::Read(counters.found);
    if (tools.GetResultFileName()[0]) ::DeleteFileA(tools.GetResultFileName());
    return elapsed;
}

std::string MakeScratchFolder() {
    char temp[MAX_PATH];
    ::GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "kestrin-bench";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    ::SetCurrentDirectoryA(folder.c_str());
    return folder;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const char* oftenText = "Microsoft";
    const char* neverText = "qz~Kestrin-never-matches~zq";
    std::string folder = MakeScratchFolder();

    std::vector<double> plain, often, never;
    long keys = 0, oftenFound = 0, neverFound = 0;
    for (int round = 0; round < rounds; ++round) {
        double start = Seconds();
        keys = PlainWalkAllRoots(Win32RegistryApi()).keys;
        plain.push_back(Seconds() - start);
        often.push_back(TimeSearch(folder, oftenText, &oftenFound));
        never.push_back(TimeSearch(folder, neverText, &neverFound));
    }
    double base = Median(plain);
    std::printf("rounds: %d, keys walked: %ld\n", rounds, keys);
    std::printf("plain walk:                          %8.3f s\n", base);
    std::printf("search /K /V \"%s\" (%ld hits): %8.3f s  ratio %.3f\n", oftenText, oftenFound,
                Median(often), Median(often) / base);
    std::printf("search /K /V, no hit:                %8.3f s  ratio %.3f\n", Median(never),
                Median(never) / base);
    return 0;
}
