// Replaying a dirty hive's transaction logs, on cases that make_dirty.py
// derives from clean hives: the replayed bins must be byte for byte the
// newer clean hive's, and the outcome must say what was applied and where
// replay stopped.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "hive/HiveFixture.h"
#include "hive/LogReplay.h"
#include "hive/Marvin32.h"

namespace {

using hive_test::ReadBytes;

hive::ByteView View(const std::vector<uint8_t>& bytes) { return hive::ByteView(bytes.data(), bytes.size()); }

TEST(Marvin32, KnownAnswers) {
    std::ifstream vectors(std::string(hive_test::kFixtureFolder) + "marvin32-vectors.txt");
    ASSERT_TRUE(vectors);
    int checked = 0;
    for (std::string line; std::getline(vectors, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string seed, hex, expected;
        fields >> seed >> hex >> expected;
        std::vector<uint8_t> data;
        for (size_t i = 0; hex != "-" && i + 1 < hex.size(); i += 2)
            data.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
        EXPECT_EQ(std::stoull(expected, nullptr, 16), hive::Marvin32(View(data), std::stoull(seed, nullptr, 16)))
            << line;
        ++checked;
    }
    EXPECT_GE(checked, 19);
}

struct ReplayCase {
    const char* name;
    std::vector<std::string> logs;  // as found beside the hive
    uint32_t entries;
    std::vector<std::string> from;
    const char* stop;
    // The case whose expected hive this one gives, when not its own.
    const char* expectedFrom = nullptr;
    // The replay buffer holds the file alone, not BufferSize() bytes.
    bool fileSizedBuffer = false;
};

// The offset 0x2400 is the second entry's: the log's base block (0x200)
// and the first entry (two pages and a sector).
const ReplayCase kCases[] = {
    {"one-log", {"HIVE.LOG1"}, 1, {"HIVE.LOG1"}, ""},
    // The first entry is in LOG2: the sequence numbers decide, not the names.
    {"split", {"HIVE.LOG1", "HIVE.LOG2"}, 2, {"HIVE.LOG2", "HIVE.LOG1"}, ""},
    {"grows", {"HIVE.LOG1"}, 1, {"HIVE.LOG1"}, ""},
    {"old-format", {"HIVE.LOG"}, 1, {"HIVE.LOG"}, ""},
    {"bad-hash", {"HIVE.LOG1"}, 1, {"HIVE.LOG1"}, "HIVE.LOG1 offset 0x2400: bad hash"},
    {"truncated", {"HIVE.LOG1"}, 1, {"HIVE.LOG1"}, "HIVE.LOG1 offset 0x2400: the log ends inside the entry"},
    {"gap", {"HIVE.LOG1"}, 1, {"HIVE.LOG1"}, "HIVE.LOG1 offset 0x2400: sequence number 7 where 6 was due"},
    // The primary's base block is damaged: the log's takes its place.
    {"torn-base", {"HIVE.LOG1"}, 2, {"HIVE.LOG1"}, ""},
    {"no-log", {}, 0, {}, ""},
    {"far", {"HIVE.LOG1", "HIVE.LOG2"}, 2, {"HIVE.LOG2", "HIVE.LOG1"}, ""},
    {"stale", {"HIVE.LOG1"}, 0, {}, "HIVE.LOG1 starts at entry 2, before the hive's 5"},
    // The second entry grows the hive past a buffer that holds the file
    // alone: it is refused, and the hive is the first entry's.
    {"split", {"HIVE.LOG1", "HIVE.LOG2"}, 1, {"HIVE.LOG2"}, "HIVE.LOG1 offset 0x200: the replay buffer is too small",
     "one-log", true},
};

TEST(LogReplay, GivesTheNewerCleanHive) {
    for (const ReplayCase& c : kCases) {
        SCOPED_TRACE(std::string(c.name) + (c.fileSizedBuffer ? " into a buffer that holds the file alone" : ""));
        const std::string cases = std::string(hive_test::kFixtureFolder) + "log-cases\\";
        const std::string folder = cases + c.name + "\\";
        std::vector<uint8_t> image = ReadBytes(folder + "HIVE");
        const std::vector<uint8_t> expected =
            ReadBytes((c.expectedFrom ? cases + c.expectedFrom + "\\" : folder) + "expected");
        ASSERT_GT(expected.size(), hive::kBinsStart);
        std::vector<std::vector<uint8_t>> bytes;
        for (const std::string& log : c.logs) bytes.push_back(ReadBytes(folder + log));
        std::vector<hive::LogFile> logs;
        for (size_t i = 0; i < c.logs.size(); ++i) logs.push_back({c.logs[i], View(bytes[i])});

        const hive::LogReplay replay(View(image), image.size(), logs);
        const uint64_t fileSize = image.size();
        image.resize(c.fileSizedBuffer ? fileSize : replay.BufferSize());
        const hive::Replayed applied = replay.Apply({image.data(), image.size()}, fileSize);
        image.resize(applied.size);

        EXPECT_TRUE(applied.outcome.dirty);
        EXPECT_EQ(c.entries, applied.outcome.entries);
        EXPECT_EQ(c.from, applied.outcome.from);
        EXPECT_EQ(c.stop, applied.outcome.stop);
        ASSERT_EQ(expected.size(), image.size());
        EXPECT_EQ(0, std::memcmp(expected.data() + hive::kBinsStart, image.data() + hive::kBinsStart,
                                 expected.size() - hive::kBinsStart));
        hive::Hive replayed;
        std::string reason;
        ASSERT_TRUE(replayed.Open(View(image), &reason)) << reason;
        EXPECT_EQ(c.entries == 0, replayed.Base().dirty);
    }
}

}  // namespace
