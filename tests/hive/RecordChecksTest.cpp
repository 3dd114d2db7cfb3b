// The checks a record in free space must pass to count as deleted: each
// case changes one field of a sound key or value record.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "hive/DeletedRecords.h"

namespace {

constexpr uint32_t kBins = 0x10000;
constexpr uint64_t k2022 = 133000000000000000ull;

// A record's bytes from its size field: fields by their offset there.
struct Field {
    uint32_t at;
    uint64_t value;
    int width;
};

struct Case {
    const char* name;
    std::vector<Field> fields;  // over the sound record's
    bool counts;
    size_t room = 256;
};

// The case's record in its room: the sound record's fields, then its own.
std::vector<uint8_t> Record(const char* signature, uint32_t nameAt, const char* name, const std::vector<Field>& sound,
                            const Case& test) {
    std::vector<uint8_t> bytes(test.room, 0);
    const uint32_t size = (4 + nameAt + static_cast<uint32_t>(std::strlen(name)) + 7) & ~7u;
    std::memcpy(bytes.data(), &size, 4);
    std::memcpy(bytes.data() + 4, signature, 2);
    std::memcpy(bytes.data() + 4 + nameAt, name, std::strlen(name));
    for (const std::vector<Field>* fields : {&sound, &test.fields})
        for (const Field& field : *fields) std::memcpy(bytes.data() + field.at, &field.value, field.width);
    return bytes;
}

// The sound key: compressed name "Gone", written in 2022, parent 0x20, no
// sub-keys or values (list offsets unused).
const std::vector<Field> kSoundKey = {{6, 0x20, 2}, {8, k2022, 8}, {20, 0x20, 4}, {32, 0xFFFFFFFF, 4},
                                      {44, 0xFFFFFFFF, 4}, {76, 4, 2}};

const Case kKeyCases[] = {
    {"sound", {}, true},
    {"other signature", {{4, 'v' | 'k' << 8, 2}}, false},
    {"cell larger than the free space", {{0, 0x200, 4}}, false},
    {"cell too small for the name", {{0, 80, 4}}, false},
    {"cell size not a multiple of 8", {{0, 0x5C, 4}}, false},
    {"allocated size is taken as is", {{0, 0xFFFFFFA0, 4}}, true},
    {"empty name", {{76, 0, 2}}, false},
    {"UTF-16 name of odd length", {{6, 0, 2}, {76, 3, 2}}, false},
    {"name beyond 255 characters", {{0, 0x150, 4}, {76, 256, 2}}, false, 0x200},
    {"written before 1970", {{8, 116444736000000000ull - 1, 8}}, false},
    {"written after 2100", {{8, 159000000000000000ull, 8}}, false},
    {"parent not aligned", {{20, 0x24, 4}}, false},
    {"parent outside the bins", {{20, kBins, 4}}, false},
    {"more sub-keys than the bins hold", {{24, kBins / 8 + 1, 4}, {32, 0x40, 4}}, false},
    {"sub-key list outside the bins", {{24, 1, 4}, {32, kBins + 8, 4}}, false},
    {"value list not aligned", {{40, 2, 4}, {44, 0x44, 4}}, false},
    {"value list unused", {{44, 0x44, 4}}, true},
};

TEST(RecordChecks, KeyRecords) {
    for (const Case& test : kKeyCases) {
        const std::vector<uint8_t> bytes = Record("nk", 76, "Gone", kSoundKey, test);
        hive::KeyNode key;
        uint32_t parent = 0;
        const bool counts = hive::CheckKeyRecord(hive::ByteView(bytes.data(), bytes.size()), kBins, &key, &parent);
        EXPECT_EQ(test.counts, counts) << test.name;
        if (counts) {
            EXPECT_EQ(0x20u, parent) << test.name;
        }
    }
}

// The sound value: compressed name "Run", 8 bytes of data in a cell at 0x80.
const std::vector<Field> kSoundValue = {{6, 3, 2}, {8, 8, 4}, {12, 0x80, 4}, {16, 1, 4}, {20, 1, 2}};

const Case kValueCases[] = {
    {"sound", {}, true},
    {"data outside the bins", {{12, kBins, 4}}, false},
    {"data not aligned", {{12, 0x84, 4}}, false},
    {"data larger than the bins", {{8, kBins + 1, 4}}, false},
    {"no data, any offset", {{8, 0, 4}, {12, 0x12345, 4}}, true},
    {"inline data of 4 bytes", {{8, 0x80000004, 4}, {12, 0x12345, 4}}, true},
    {"inline data of 5 bytes", {{8, 0x80000005, 4}}, false},
    {"name longer than the cell", {{6, 40, 2}}, false},
};

TEST(RecordChecks, ValueRecords) {
    for (const Case& test : kValueCases) {
        const std::vector<uint8_t> bytes = Record("vk", 20, "Run", kSoundValue, test);
        hive::ValueNode value;
        EXPECT_EQ(test.counts, hive::CheckValueRecord(hive::ByteView(bytes.data(), bytes.size()), kBins, &value))
            << test.name;
    }
}

}  // namespace
