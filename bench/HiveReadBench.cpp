// kestrin-hive-bench.exe FILE [ROUNDS]: the hive reader alone on a hive file
// held in memory, as the search walks it: every key, value and value's data,
// every name widened to UTF-16. Prints the medians of ROUNDS walks (5 unless
// told) of the wall clock and the thread's CPU time, also per 100000 keys.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "bench/BenchSupport.h"
#include "hive/Hive.h"

namespace {

// Scratch that every key reuses: the walk allocates nothing per key once
// the deepest path has been seen.
struct Walk {
    explicit Walk(const hive::Hive& walked) : hive(walked) {}

    const hive::Hive& hive;
    std::vector<std::vector<uint32_t>> subKeys, values;  // one of each per depth
    std::vector<uint8_t> scratch;
    std::u16string name;
    std::vector<hive::Damage> damage;
    long keys = 0, valueCount = 0;
    unsigned long long dataBytes = 0;

    void Key(uint32_t cell, size_t depth) {
        hive::KeyNode key;
        if (depth >= 512 || !hive.ReadKey(cell, &key, &damage)) return;
        if (subKeys.size() <= depth) subKeys.resize(depth + 1), values.resize(depth + 1);
        ++keys;
        name.clear();
        key.name.AppendUtf16(&name);
        values[depth].clear();
        hive.ReadValueCells(key, &values[depth], &damage);
        for (uint32_t valueCell : values[depth]) {
            hive::ValueNode value;
            hive::ByteView data;
            if (!hive.ReadValue(valueCell, &value, &damage)) continue;
            ++valueCount;
            name.clear();
            value.name.AppendUtf16(&name);
            if (hive.ReadValueData(value, &scratch, &data, &damage)) dataBytes += data.size();
        }
        subKeys[depth].clear();
        hive.ReadSubKeyCells(key, &subKeys[depth], &damage);
        for (size_t i = 0; i < subKeys[depth].size(); ++i) Key(subKeys[depth][i], depth + 1);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (argc > 2 && std::atoi(argv[2]) < 1)) {
        std::fprintf(stderr, "usage: kestrin-hive-bench FILE [ROUNDS]\n");
        return 64;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    std::vector<double> wall, cpu;
    long keys = 0, values = 0;
    unsigned long long dataBytes = 0;
    size_t damaged = 0;
    for (int round = 0; round < rounds; ++round) {
        const double start = bench::Seconds(), cpuStart = bench::ThreadCpuSeconds();
        hive::Hive hive;
        std::string reason;
        if (!hive.Open(hive::ByteView(bytes.data(), bytes.size()), &reason)) {
            std::fprintf(stderr, "%s: %s\n", argv[1], reason.c_str());
            return 65;
        }
        Walk walk(hive);
        walk.Key(hive.RootCell(), 0);
        wall.push_back(bench::Seconds() - start);
        cpu.push_back(bench::ThreadCpuSeconds() - cpuStart);
        keys = walk.keys, values = walk.valueCount, dataBytes = walk.dataBytes, damaged = walk.damage.size();
    }
    const double perKeys = keys ? 100000.0 / keys : 0;
    std::printf("%s: %ld keys, %ld values, %llu data bytes, %zu damaged structures\n", argv[1], keys, values,
                dataBytes, damaged);
    std::printf("walk: wall %.3f s, cpu %.3f s; per 100000 keys: wall %.3f s, cpu %.3f s (median of %d)\n",
                bench::Median(wall), bench::Median(cpu), bench::Median(wall) * perKeys, bench::Median(cpu) * perKeys,
                rounds);
    return 0;
}
