#include "hive/HiveFixture.h"

#include <fstream>
#include <iterator>

namespace hive_test {

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

HiveFixture LoadFixture(const std::string& stem) {
    const std::string base = kFixtureFolder + stem;
    HiveFixture fixture;
    fixture.bytes = ReadBytes(base + ".hiv");
    std::ifstream expected(base + ".expected");
    for (std::string line; std::getline(expected, line);) fixture.expected.push_back(line);
    // Names may hold spaces: the offset is after the last one.
    std::ifstream offsets(base + ".offsets");
    for (std::string line; std::getline(offsets, line);) {
        const size_t space = line.rfind(' ');
        if (space != std::string::npos) fixture.offsets[line.substr(0, space)] = std::stoull(line.substr(space + 1));
    }
    return fixture;
}

}  // namespace hive_test
