// libFuzzer's entry for log replay: any bytes as a dirty hive and two logs,
// replayed and the result walked whole, as kestrin-find /H will. The input
// is a 9-byte header (the primary's length, LOG1's length, both u32 taken
// modulo what is left, then a flag byte), the primary, LOG1 and LOG2. Bit 0
// of the flags makes every "HvLE" entry's hashes right first: a mutation
// can never forge Marvin32, and without this the fuzzer would hardly get
// past the hash check to the page references behind it.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "hive/HiveWalk.h"
#include "hive/LogFormat.h"
#include "hive/Marvin32.h"

namespace {

constexpr size_t kHeader = 9;

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

void PutLe64(uint8_t* p, uint64_t value) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Gives every entry at a sector boundary whose size fits the log the hashes
// of its bytes as they are.
void FixHashes(std::vector<uint8_t>* log) {
    using namespace hive;
    for (size_t at = kSector; at + kEntryHeaderSize <= log->size(); at += kSector) {
        uint8_t* entry = log->data() + at;
        const uint32_t size = Le32(entry + kEntrySizeAt);
        if (Le32(entry) != kEntrySignature || size < kEntryHeaderSize || size > log->size() - at) continue;
        const ByteView rest(entry + kEntryHeaderSize, size - kEntryHeaderSize);
        PutLe64(entry + kEntryHash1At, Marvin32(rest, kLogHashSeed));
        PutLe64(entry + kEntryHash2At, Marvin32(ByteView(entry, kEntryHash2At), kLogHashSeed));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHeader) return 0;
    const size_t rest = size - kHeader;
    const size_t primaryLength = Le32(data) % (rest + 1);
    const size_t log1Length = Le32(data + 4) % (rest - primaryLength + 1);
    const uint8_t* primary = data + kHeader;
    std::vector<uint8_t> log1(primary + primaryLength, primary + primaryLength + log1Length);
    std::vector<uint8_t> log2(primary + primaryLength + log1Length, data + size);
    if (data[8] & 1) {
        FixHashes(&log1);
        FixHashes(&log2);
    }
    const hive::LogReplay replay(hive::ByteView(primary, primaryLength), primaryLength,
                                 {{"F.LOG1", hive::ByteView(log1.data(), log1.size())},
                                  {"F.LOG2", hive::ByteView(log2.data(), log2.size())}});
    // Exactly as large as promised, so that AddressSanitizer sees any write
    // past it.
    const std::unique_ptr<uint8_t[]> image(new uint8_t[replay.BufferSize()]);
    if (primaryLength) std::memcpy(image.get(), primary, primaryLength);
    const hive::Replayed replayed =
        replay.Apply({image.get(), static_cast<size_t>(replay.BufferSize())}, primaryLength);
    // A buffer of BufferSize() always takes every planned write.
    if (replayed.size > replay.BufferSize() || replayed.outcome.entries != replay.Outcome().entries) std::abort();
    hive::Hive hive;
    std::string reason;
    if (hive.Open(hive::ByteView(image.get(), replayed.size), &reason)) hive_test::WalkHive(hive);
    return 0;
}
