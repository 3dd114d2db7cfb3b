// The reader against the tests' own writer: every structure of every
// version read back as written, and the files that are no usable hive.
#include <gtest/gtest.h>

#include <cstring>

#include "hive/HiveFixture.h"
#include "hive/HiveWalk.h"

using namespace hive_test;

namespace {

void PutU32(std::vector<uint8_t>* bytes, uint64_t at, uint32_t value) {
    ASSERT_LE(at + 4, bytes->size());
    std::memcpy(bytes->data() + at, &value, 4);
}

TEST(HiveRead, EveryStructureOfEveryVersionReadsBackAsWritten) {
    for (const char* version : {"1.3", "1.4", "1.5", "1.6"}) {
        SCOPED_TRACE(version);
        const HiveFixture fixture = LoadFixture(std::string("full-") + version);
        ASSERT_FALSE(fixture.bytes.empty());
        hive::Hive hive;
        std::string reason;
        ASSERT_TRUE(hive.Open(hive::ByteView(fixture.bytes.data(), fixture.bytes.size()), &reason)) << reason;
        EXPECT_EQ(hive.Base().minor, static_cast<uint32_t>(version[2] - '0'));
        EXPECT_FALSE(hive.Base().dirty);
        const HiveWalk walk = WalkHive(hive);
        EXPECT_EQ(FirstDifference(walk.lines, fixture.expected), "");
        EXPECT_TRUE(walk.damage.empty()) << walk.damage.front().what;
    }
}

TEST(HiveRead, ByteViewNeverReachesOutside) {
    const uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const hive::ByteView view(bytes, sizeof bytes);
    const struct {
        uint64_t offset, length;
        bool inside;
    } cases[] = {{0, 8, true},  {8, 0, true},           {4, 5, false},
                 {9, 0, false}, {UINT64_MAX, 2, false}, {2, UINT64_MAX, false}};
    for (const auto& c : cases) {
        hive::ByteView sub;
        EXPECT_EQ(view.Has(c.offset, c.length), c.inside) << c.offset << "+" << c.length;
        EXPECT_EQ(view.Sub(c.offset, c.length, &sub), c.inside) << c.offset << "+" << c.length;
        EXPECT_EQ(sub.size(), c.inside ? c.length : 0);
    }
    uint64_t wide = 0;
    uint32_t word = 0;
    EXPECT_TRUE(view.U64(0, &wide));
    EXPECT_EQ(wide, 0x0807060504030201u);
    EXPECT_FALSE(view.U64(UINT64_MAX - 3, &wide));
    EXPECT_FALSE(view.U32(5, &word));
}

// A change to the base block or the file's length, and what Open says: the
// reason for an unusable file, or "" and whether the hive is dirty.
struct OpenCase {
    const char* name;
    uint64_t at;  // where a u32 is written, or UINT64_MAX for none
    uint32_t value;
    size_t keep;  // bytes kept, or 0 for all
    const char* reason;
    bool dirty;
};

TEST(HiveOpen, UnusableFilesSayWhyAndDirtyOnesStillOpen) {
    const HiveFixture fixture = LoadFixture("full-1.5");
    const uint32_t valueCell = static_cast<uint32_t>(fixture.offsets.at("Values:sz @vk") - hive::kBinsStart);
    const OpenCase cases[] = {
        {"too short", UINT64_MAX, 0, 100, "the file is too short to be a hive", false},
        {"signature", 0, 0x78676572, 0, "no regf signature", false},
        {"minor 2", 24, 2, 0, "unsupported version 1.2", false},
        {"minor 7", 24, 7, 0, "unsupported version 1.7", false},
        {"major 2", 20, 2, 0, "unsupported version 2.5", false},
        {"a log", 28, 6, 0, "a transaction log, not a hive", false},
        {"no bins", UINT64_MAX, 0, 4096, "the file holds no hive bins", false},
        {"first bin header", 4096, 0, 0, "the file holds no hive bins", false},
        {"root outside", 36, 0x10000000, 0, "the root key lies outside the hive bins", false},
        {"root not a key", 36, valueCell, 0, "the root cell holds no readable key", false},
        {"sequence numbers differ", 8, 6, 0, "", true},
        {"checksum wrong", 508, 0x12345678, 0, "", true},
    };
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = fixture.bytes;
        if (c.at != UINT64_MAX) PutU32(&bytes, c.at, c.value);
        if (c.keep) bytes.resize(c.keep);
        hive::Hive hive;
        std::string reason;
        const bool opened = hive.Open(hive::ByteView(bytes.data(), bytes.size()), &reason);
        EXPECT_EQ(opened, *c.reason == '\0');
        EXPECT_EQ(reason, c.reason);
        if (opened) {
            EXPECT_EQ(hive.Base().dirty, c.dirty);
            EXPECT_EQ(FirstDifference(WalkHive(hive).lines, fixture.expected), "");
        }
    }
}

}  // namespace
