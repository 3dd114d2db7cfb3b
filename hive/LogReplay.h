#pragma once
// Replay of a dirty hive's transaction logs in memory, platform-free like the
// reader (the fuzzer builds it for Linux). A hive is dirty when its base
// block's checksum is wrong or its two sequence numbers differ: its newest
// changes may then exist only in FILE.LOG1 and FILE.LOG2 ("HvLE" entries,
// Windows 8.1 and later) or in FILE.LOG (a "DIRT" bitmap and its pages,
// older Windows). The logs are as untrusted as the hive: every entry's
// hashes, size and page references are checked before a byte of it is used,
// and replay stops at the first entry that fails, saying where and why.
// Nothing here writes to a file; the replayed hive is a buffer.
#include <cstdint>
#include <string>
#include <vector>

#include "hive/Hive.h"
#include "hive/MutableByteSpan.h"

namespace hive {

// One transaction log beside the hive: its name as listed, for the user, and
// its bytes.
struct LogFile {
    std::string name;
    ByteView bytes;
};

// One sound "HvLE" entry of a new-format log: logs[log] at offset.
struct LogEntry {
    size_t log = 0;
    uint64_t offset = 0;
    uint32_t size = 0;
    uint32_t sequence = 0;
    uint32_t binsSize = 0;
    uint32_t pageCount = 0;
};

class BaseBlockView;
struct EntryScan;
struct ReplayImage;

// What replay does, for the one line the user is told.
struct ReplayOutcome {
    bool dirty = false;             // the hive's base block says so
    uint32_t entries = 0;           // log entries applied; an old-format log counts as one
    std::vector<std::string> from;  // the logs that supplied them, in the order used
    // Where and why replay stopped early ("SYSTEM.LOG1 offset 0x3200: bad
    // hash"), or why no log was usable; empty when it ran to the logs' end.
    std::string stop;
};

// "replayed 3 log entries from SYSTEM.LOG1, SYSTEM.LOG2", the words every
// telling of a replay shares.
std::string ReplayedFrom(const ReplayOutcome& outcome);

// What Apply made of its image.
struct Replayed {
    uint64_t size = 0;      // the replayed hive's bytes: its base block and bins
    ReplayOutcome outcome;  // Outcome(), cut back to the entries the image took
};

// True when the base block at the start of head (512 bytes are enough) is
// a hive's whose checksum is wrong or whose sequence numbers differ. Bytes
// that are no hive at all are not dirty: the reader says what they are.
bool IsDirty(ByteView head);

class LogReplay {
public:
    // Reads the hive's base block from head (the file's first bytes; 512 are
    // enough) and, when it is dirty, every log's entries, checking each
    // entry's hashes once, and decides what to apply. fileSize is the whole
    // primary file's. The logs' bytes must outlive the object.
    LogReplay(ByteView head, uint64_t fileSize, std::vector<LogFile> logs);

    const ReplayOutcome& Outcome() const { return m_outcome; }

    // The bytes Apply needs: the file's size, or more when the logs grow
    // the hive beyond it.
    uint64_t BufferSize() const { return m_bufferSize; }

    // Replays into image, whose first fileSize bytes hold the primary file
    // and which needs BufferSize() bytes of capacity: the replayed hive is
    // its base block and bins, with a base block that is clean (sequence
    // numbers equal, checksum right). Bins that the logs add are zero where
    // no page fills them. Every write is checked against the capacity; one
    // that does not fit is not made, and replay ends with the entries
    // before it, outcome.stop saying where. Changes nothing and gives
    // fileSize (at most the capacity) when the hive is clean or no log
    // entry applies.
    [[nodiscard]] Replayed Apply(MutableByteSpan image, uint64_t fileSize) const;

private:
    // An old-format log's dirty pages.
    struct DirtyPages {
        size_t log = 0;
        uint32_t binsSize = 0;
        uint64_t firstPage = 0;  // where the pages start in the log
        uint32_t sequence = 0;   // the log's, which the replayed hive takes
    };

    void PlanEntries(const BaseBlockView& primary, const std::vector<EntryScan>& scans);
    // The entry a log starts at; false when it holds none.
    bool LogStart(const EntryScan& scan, uint32_t* start) const;
    void PlanFromLogStarts(uint32_t hiveSequence, const std::vector<EntryScan>& scans);
    void PlanFromLogBase(const BaseBlockView& primary, const std::vector<EntryScan>& scans);
    void ReportEntryStop(const std::vector<EntryScan>& scans, uint32_t next);
    void PlanDirtyPages(const BaseBlockView& primary, uint64_t maxBins);
    // The logs that supply the chain's first count entries, in the order used.
    std::vector<std::string> LogsOf(size_t count) const;
    void ApplyEntries(ReplayImage* image, Replayed* replayed) const;
    // Empty when the entry was applied, else where and why it was not.
    std::string ApplyEntry(const LogEntry& entry, ReplayImage* image) const;
    void ApplyDirtyPages(ReplayImage* image, Replayed* replayed) const;
    // Gives the image the clean base block of a hive at sequence with
    // binsSize bytes of bins; *replayed says so, or that it could not.
    void Finish(MutableByteSpan image, uint32_t sequence, uint32_t binsSize, Replayed* replayed) const;

    std::vector<LogFile> m_logs;
    ReplayOutcome m_outcome;
    uint64_t m_bufferSize = 0;
    std::vector<LogEntry> m_chain;  // new format: the entries to apply, in order
    bool m_oldFormat = false;
    DirtyPages m_dirty;
    // The log whose base block the replayed hive takes, because the
    // primary's own is damaged; logs.size() for none.
    size_t m_baseLog = 0;
};

}  // namespace hive
