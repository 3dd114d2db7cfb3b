// libFuzzer's entry: any bytes as a hive file, read past breaks in its bins
// and scanned for deleted records and orphaned keys (kestrin-find /X).
// Besides the sanitizers' checks: every record and the data it hands out
// lie inside the input, values carry exactly their data size, every key's
// chain of places ends, and every orphan's member names a recovered orphan.
#include <cstdlib>
#include <unordered_map>

#include "hive/DeletedRecords.h"

namespace {

bool Inside(hive::ByteView part, const uint8_t* data, size_t size) {
    return part.empty() || (part.data() >= data && part.data() + part.size() <= data + size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    hive::Hive hive;
    std::string reason;
    if (!hive.Open(hive::ByteView(data, size), &reason, true)) return 0;
    const hive::DeletedRecords records = hive::DeletedRecords::Scan(hive);
    std::unordered_map<uint32_t, uint32_t> under;
    for (const hive::RecoveredKey& key : records.keys) {
        if (!Inside(key.node.name.bytes, data, size) || (!key.orphaned && key.node.name.Units() == 0)) std::abort();
        under[key.node.cell] = key.under;
    }
    for (const hive::RecoveredValue& value : records.values) {
        if (!Inside(value.node.name.bytes, data, size) || !Inside(value.data, data, size)) std::abort();
        if (value.dataKnown && value.data.size() != value.node.dataSize) std::abort();
    }
    for (const hive::RecoveredKey& key : records.keys) {
        uint32_t at = key.node.cell;
        for (size_t steps = 0; under.count(at); ++steps) {
            if (steps > records.keys.size()) std::abort();
            at = under[at];
        }
    }
    for (const hive::OrphanMember& member : records.orphanMembers)
        if (!under.count(member.top)) std::abort();
    return 0;
}
