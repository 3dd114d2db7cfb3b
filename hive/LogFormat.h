#pragma once
// The transaction logs' layout, private to the log replay's files in hive/
// and to its fuzzer.
#include <string>
#include <utility>
#include <vector>

#include "hive/BaseBlockView.h"
#include "hive/HiveFormat.h"
#include "hive/LogReplay.h"
#include "hive/MutableByteSpan.h"

namespace hive {

constexpr uint32_t kSector = 512;           // logs are laid out in sectors
constexpr uint32_t kPageUnit = 512;         // dirty pages are multiples of this
constexpr uint32_t kEntrySignature = 0x454C7648;  // "HvLE"
constexpr uint32_t kDirtSignature = 0x54524944;   // "DIRT"
// An "HvLE" entry's header; the page references follow it, then the pages.
constexpr uint32_t kEntrySizeAt = 4;
constexpr uint32_t kEntrySequenceAt = 12;
constexpr uint32_t kEntryBinsSizeAt = 16;
constexpr uint32_t kEntryPageCountAt = 20;
constexpr uint32_t kEntryHash1At = 24;  // Marvin32 of everything after the header
constexpr uint32_t kEntryHash2At = 32;  // Marvin32 of the header up to here
constexpr uint32_t kEntryHeaderSize = 40;
constexpr uint32_t kPageReferenceSize = 8;  // offset in the bins, size
constexpr uint64_t kLogHashSeed = 0x82EF4D887A4E55C5;
// A log entry may grow the hive by this much beyond the primary file, which
// bounds the replay buffer whatever the log says.
constexpr uint64_t kMaxGrowth = uint64_t{32} << 20;

// A new-format log's run of sound entries from its first one, and what ended
// it when that was damage rather than the log's end or older entries.
struct EntryScan {
    size_t log = 0;
    std::vector<LogEntry> entries;  // consecutive sequence numbers
    bool broken = false;
    uint64_t brokenOffset = 0;
    bool brokenSequenceKnown = false;
    uint32_t brokenSequence = 0;
    std::string why;
};

// Reads the i-th page reference of an entry: the page's offset in the hive
// bins and its size.
[[nodiscard]] inline bool PageReference(ByteView entry, uint32_t i, uint32_t* offset, uint32_t* size) {
    const uint64_t at = kEntryHeaderSize + uint64_t{i} * kPageReferenceSize;
    return entry.U32(at, offset) && entry.U32(at + 4, size);
}

// Reads the entries of logs[log] while each is whole, hashes right, has
// page references inside a hive-bins size of at most maxBins, and follows
// the one before it.
EntryScan ScanEntries(ByteView bytes, size_t log, uint64_t maxBins);

// The replayed hive while the logs are applied: a buffer of fixed capacity
// whose used part follows the entries' hive-bins sizes. What growth
// uncovers is zero, as in bins that Windows adds.
struct ReplayImage {
    MutableByteSpan bytes;
    uint64_t used;
    // False, with nothing changed, when the capacity is smaller than size.
    [[nodiscard]] bool Resize(uint64_t size) {
        if (size > used && !bytes.Zero(used, size - used)) return false;
        used = size;
        return true;
    }
};

// "NAME offset 0x3200", for messages.
std::string Where(const std::string& name, uint64_t offset);

// Why replay stopped at a write that the image could not hold.
constexpr const char* kBufferTooSmall = ": the replay buffer is too small";

// Replay applied nothing after all; stop says where and why.
inline void NothingApplied(Replayed* replayed, std::string stop) {
    replayed->outcome.entries = 0;
    replayed->outcome.from.clear();
    replayed->outcome.stop = std::move(stop);
}

}  // namespace hive
