// The "HvLE" entries of a new-format log, each checked whole before use.
#include <cstdio>

#include "hive/LogFormat.h"
#include "hive/Marvin32.h"

namespace hive {

namespace {

// The page references and the pages behind them must fill no more than the
// entry, and each page must lie inside the entry's hive bins.
const char* CheckPages(ByteView entry, const LogEntry& header) {
    uint64_t data = kEntryHeaderSize + uint64_t{header.pageCount} * kPageReferenceSize;
    if (data > entry.size()) return "more page references than the entry holds";
    for (uint32_t i = 0; i < header.pageCount; ++i) {
        uint32_t offset = 0, size = 0;
        if (!PageReference(entry, i, &offset, &size)) return "more page references than the entry holds";
        if (size == 0 || size % kPageUnit != 0 || offset % kPageUnit != 0 ||
            uint64_t{offset} + size > header.binsSize)
            return "a dirty page outside the hive bins";
        data += size;
        if (data > entry.size()) return "dirty pages larger than the entry";
    }
    return nullptr;
}

// Checks the entry at entry->offset and fills in its header; nullptr when it
// is sound, else why not.
const char* CheckEntry(ByteView log, uint64_t maxBins, LogEntry* entry) {
    uint32_t size = 0;
    if (!log.U32(entry->offset + kEntrySizeAt, &size) || !log.Has(entry->offset, kEntryHeaderSize))
        return "the log ends inside the entry";
    if (size < kSector || size % kSector != 0) return "bad entry size";
    ByteView bytes, hashed2, hashed1;
    if (!log.Sub(entry->offset, size, &bytes) || !bytes.Sub(0, kEntryHash2At, &hashed2) ||
        !bytes.Sub(kEntryHeaderSize, size - kEntryHeaderSize, &hashed1))
        return "the log ends inside the entry";
    uint64_t hash1 = 0, hash2 = 0;
    if (!bytes.U64(kEntryHash1At, &hash1) || !bytes.U64(kEntryHash2At, &hash2) ||
        Marvin32(hashed2, kLogHashSeed) != hash2 || Marvin32(hashed1, kLogHashSeed) != hash1)
        return "bad hash";
    entry->size = size;
    if (!bytes.U32(kEntryBinsSizeAt, &entry->binsSize) || !bytes.U32(kEntryPageCountAt, &entry->pageCount) ||
        entry->binsSize == 0 || entry->binsSize % kBinAlignment != 0 || entry->binsSize > maxBins)
        return "bad hive-bins size";
    return CheckPages(bytes, *entry);
}

}  // namespace

EntryScan ScanEntries(ByteView bytes, size_t log, uint64_t maxBins) {
    EntryScan scan;
    scan.log = log;
    uint32_t signature = 0;
    // Each turn moves on by a whole entry, at least a sector.
    for (uint64_t offset = kSector; bytes.U32(offset, &signature) && signature == kEntrySignature;) {
        LogEntry entry;
        entry.log = log;
        entry.offset = offset;
        scan.brokenSequenceKnown = bytes.U32(offset + kEntrySequenceAt, &entry.sequence);
        const char* why = CheckEntry(bytes, maxBins, &entry);
        std::string gap;
        if (!why && !scan.entries.empty() && entry.sequence != scan.entries.back().sequence + 1) {
            // An older entry is what an earlier round of writes left behind.
            if (static_cast<int32_t>(entry.sequence - scan.entries.back().sequence) <= 0) break;
            gap = "sequence number " + std::to_string(entry.sequence) + " where " +
                  std::to_string(scan.entries.back().sequence + 1) + " was due";
        }
        if (why || !gap.empty()) {
            scan.broken = true;
            scan.brokenOffset = offset;
            scan.brokenSequence = entry.sequence;
            scan.why = why ? why : gap;
            break;
        }
        scan.entries.push_back(entry);
        offset += entry.size;
    }
    return scan;
}

std::string Where(const std::string& name, uint64_t offset) {
    char hex[24];
    std::snprintf(hex, sizeof hex, "0x%llX", static_cast<unsigned long long>(offset));
    return name + " offset " + hex;
}

}  // namespace hive
