#pragma once
// The hives that make_test_hives.py writes at build time into the folder
// hive-tests beside the test executables: their bytes, their expected walks
// and where their structures stand.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace hive_test {

constexpr char kFixtureFolder[] = "hive-tests\\";

// The whole file, or nothing when it cannot be read.
std::vector<uint8_t> ReadBytes(const std::string& path);

struct HiveFixture {
    std::vector<uint8_t> bytes;
    std::vector<std::string> expected;  // the walk's lines
    // "<path> <@field>" to file offset, e.g. "Values:big @data".
    std::map<std::string, uint64_t> offsets;
};

// Loads stem.hiv, stem.expected and stem.offsets from the fixture folder
// ("full-1.5"); empty parts when a file is missing.
HiveFixture LoadFixture(const std::string& stem);

}  // namespace hive_test
