// A dirty hive's replay from its logs (kestrin-find /H): what it costs
// against reading the logs once, in one process and in whole kestrin-find
// processes against the same search of the clean hive. The dirty hive comes
// from bench/make_dirty_bench.py: its logs rewrite pages of the clean hive
// with their own bytes, so both searches walk the same keys.
#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>

#include "base/FileBytes.h"
#include "base/Mbcs.h"
#include "bench/BenchSupport.h"
#include "hiveregistry/HiveBytes.h"

namespace bench {
namespace {

struct ReplayTimes {
    double logsRead = 0;     // ReadFileBytes of every log: reading them once
    double plan = 0;         // LogReplay's constructor: the entries' hashes checked
    double apply = 0;        // into a buffer that holds the file
    double whole = 0;        // OpenHiveBytes: mapped, hashed, logs found and mapped, replayed copy-on-write
};

ReplayTimes TimeReplay(const std::wstring& dirty, hive::ReplayOutcome* outcome) {
    ReplayTimes times;
    DWORD error = 0;
    const std::vector<std::wstring> paths = FindLogs(dirty);
    std::vector<std::vector<uint8_t>> logs(paths.size());
    double start = Seconds();
    for (size_t i = 0; i < paths.size(); ++i) ReadFileBytes(paths[i].c_str(), 0, &logs[i], &error);
    times.logsRead = Seconds() - start;
    std::vector<hive::LogFile> views;
    for (size_t i = 0; i < logs.size(); ++i)
        views.push_back({mbcs::FromWide(paths[i]), hive::ByteView(logs[i].data(), logs[i].size())});
    std::vector<uint8_t> image;
    ReadFileBytes(dirty.c_str(), 0, &image, &error);
    start = Seconds();
    const hive::LogReplay replay(hive::ByteView(image.data(), image.size()), image.size(), views);
    times.plan = Seconds() - start;
    const uint64_t fileSize = image.size();
    image.resize(replay.BufferSize());
    start = Seconds();
    const uint64_t replayed = replay.Apply({image.data(), image.size()}, fileSize).size;
    times.apply = Seconds() - start;
    image.resize(replayed);

    HiveBytes bytes;
    start = Seconds();
    OpenHiveBytes(dirty, &bytes, &error);
    times.whole = Seconds() - start;
    *outcome = bytes.replay;
    return times;
}

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    wide.resize(::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size())) - 1);
    return wide;
}

}  // namespace

int RunReplayBench(const std::string& clean, const std::string& dirty, int pairs) {
    std::vector<double> logsRead, plan, apply, whole;
    hive::ReplayOutcome outcome;
    for (int round = 0; round < pairs; ++round) {
        const ReplayTimes times = TimeReplay(Wide(dirty), &outcome);
        logsRead.push_back(times.logsRead);
        plan.push_back(times.plan);
        apply.push_back(times.apply);
        whole.push_back(times.whole);
    }
    std::printf("%s: %u log entries replayed; medians of %d rounds: the logs read once %.2f ms; their entries "
                "checked %.2f ms and applied %.2f ms; the hive opened with its logs found, mapped and replayed "
                "%.2f ms\n",
                dirty.c_str(), outcome.entries, pairs, Median(logsRead) * 1e3, Median(plan) * 1e3,
                Median(apply) * 1e3, Median(whole) * 1e3);
    const std::string folder = MakeScratchFolder();
    const std::string find = CopyFindInto(folder);
    if (find.empty()) return 1;
    const std::string search = "kestrin-find /K /V /N /D /H:HKLM\\Bench ";
    ComparePairs({find, search + "\"" + dirty + "\" Microsoft"}, {find, search + "\"" + clean + "\" Microsoft"},
                 folder, pairs);
    return 0;
}

}  // namespace bench
