// Damaged hives: each damaged structure is one Damage with its file offset,
// and everything else is still read.
#include <gtest/gtest.h>

#include <cstring>

#include "hive/HiveFixture.h"
#include "hive/HiveWalk.h"

using namespace hive_test;

namespace {

// Writes value, or the cell offset of the structure named by cellOf, as
// `width` bytes at the structure `where` plus delta.
struct Poke {
    const char* where;
    uint32_t delta;
    uint32_t value;
    const char* cellOf = nullptr;
    int width = 4;
};

struct DamageCase {
    const char* name;
    std::vector<Poke> pokes;
    const char* what;
    const char* at;            // the damaged structure, or null for atOffset
    uint64_t atOffset;
    std::vector<const char*> lost;  // line prefixes the walk no longer has
    const char* fixture = "full-1.5";
    size_t keep = 0;           // bytes kept, or 0 for all
};

// Fields by their offset from a cell's start (its size field).
constexpr uint32_t kListFirst = 8, kCount = 6, kNameLength = 4 + 72, kValueCount = 4 + 36, kSubKeyCount = 4 + 20;
constexpr uint32_t kDataSize = 4 + 4, kSignature = 4, kSecondEntry = 4 + 4;

const DamageCase kCases[] = {
    {"list entry outside the bins", {{"Lists @leaves.0", kListFirst, 0x7FFFFFF0}},
     "key node outside the hive bins", nullptr, 4096 + 0x7FFFFFF0ull, {"K ROOT\\Lists\\A"}},
    {"cell size runs past its bin", {{"Lists/A @nk", 0, 0xFFF00000}},
     "key node with a cell size that does not fit its bin", "Lists/A @nk", 0, {"K ROOT\\Lists\\A"}},
    {"cell size zero", {{"Lists/G @nk", 0, 0}},
     "key node with a cell size that does not fit its bin", "Lists/G @nk", 0, {"K ROOT\\Lists\\G"}},
    {"cell size not a multiple of 8", {{"Lists/F @nk", 0, 0xFFFFFFA4}},
     "key node with a cell size that does not fit its bin", "Lists/F @nk", 0, {"K ROOT\\Lists\\F"}},
    {"free cell", {{"Lists/F @nk", 0, 0x58}}, "key node in a free cell", "Lists/F @nk", 0, {"K ROOT\\Lists\\F"}},
    {"key name longer than its cell", {{"Lists/G @nk", kNameLength, 0x400, nullptr, 2}},
     "key node name longer than its cell", "Lists/G @nk", 0, {"K ROOT\\Lists\\G"}},
    {"value list names a key", {{"Values @values", 4, 0, "Lists/A @nk"}},
     "value node of the wrong kind", "Lists/A @nk", 0, {"V ROOT\\Values: "}},
    {"ri inside an ri", {{"Lists @leaves.1", kSignature, 0x6972, nullptr, 2}},
     "subkey list ri inside an ri", "Lists @leaves.1", 0, {"K ROOT\\Lists\\C", "K ROOT\\Lists\\D"}},
    {"list of the wrong kind", {{"Lists @leaves.2", kSignature, 0x7978, nullptr, 2}},
     "subkey list of the wrong kind", "Lists @leaves.2", 0, {"K ROOT\\Lists\\F", "K ROOT\\Lists\\G"}},
    {"list count larger than its cell", {{"Lists @leaves.1", kCount, 500, nullptr, 2}},
     "subkey list count larger than its cell", "Lists @leaves.1", 0, {}},
    {"value count larger than its cell", {{"Values/Child @nk", kValueCount, 1000}},
     "value list count larger than its cell", "Values/Child @values", 0, {}},
    {"big data with too few segments", {{"Values:big @data", kCount, 1, nullptr, 2}},
     "big-data record with impossible segments", "Values:big @data", 0, {"V ROOT\\Values:big "}},
    {"big-data segment too small", {{"Values:big @segments", kSecondEntry, 0, "Values:sz @data"}},
     "big-data record with impossible segments", "Values:big @data", 0, {"V ROOT\\Values:big "}},
    {"data larger than its cell", {{"Values:sz @vk", kDataSize, 1000}},
     "value data larger than its cell", "Values:sz @data", 0, {"V ROOT\\Values:sz "}},
    {"1.3 data larger than its cell", {{"Values:big @vk", kDataSize, 50000}},
     "value data larger than its cell", "Values:big @data", 0, {"V ROOT\\Values:big "}, "full-1.3"},
    {"inline data over 4 bytes", {{"Values:one @vk", kDataSize, 0x80000008}},
     "value node with inline data over 4 bytes", "Values:one @vk", 0, {"V ROOT\\Values:one "}},
    {"truncated in the last bin", {}, "subkey list outside the hive bins", ". @list", 0, {"K ROOT\\", "V ROOT\\"},
     "full-1.5", 4096 * 16 + 100},
    // Not damage: the key's count says more than its list holds.
    {"subkey count larger than its list", {{"Values @nk", kSubKeyCount, 9}}, nullptr, nullptr, 0, {}},
};

bool Lost(const std::string& line, const DamageCase& c) {
    for (const char* prefix : c.lost)
        if (line.compare(0, std::strlen(prefix), prefix) == 0) return true;
    return false;
}

TEST(HiveDamage, EachDamagedStructureIsReportedOnceAndTheRestIsRead) {
    for (const DamageCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const HiveFixture fixture = LoadFixture(c.fixture);
        std::vector<uint8_t> bytes = fixture.bytes;
        for (const Poke& poke : c.pokes) {
            const uint64_t at = fixture.offsets.at(poke.where) + poke.delta;
            const uint32_t value =
                poke.cellOf ? static_cast<uint32_t>(fixture.offsets.at(poke.cellOf) - hive::kBinsStart) : poke.value;
            ASSERT_LE(at + poke.width, bytes.size());
            std::memcpy(bytes.data() + at, &value, poke.width);
        }
        if (c.keep) bytes.resize(c.keep);
        hive::Hive hive;
        std::string reason;
        ASSERT_TRUE(hive.Open(hive::ByteView(bytes.data(), bytes.size()), &reason)) << reason;
        const HiveWalk walk = WalkHive(hive);
        std::vector<std::string> expected;
        for (const std::string& line : fixture.expected)
            if (!Lost(line, c)) expected.push_back(line);
        EXPECT_EQ(FirstDifference(walk.lines, expected), "");
        ASSERT_EQ(walk.damage.size(), c.what ? 1u : 0u);
        if (c.what) {
            EXPECT_EQ(walk.damage[0].what, c.what);
            EXPECT_EQ(walk.damage[0].fileOffset, c.at ? fixture.offsets.at(c.at) : c.atOffset);
        }
    }
}

}  // namespace
