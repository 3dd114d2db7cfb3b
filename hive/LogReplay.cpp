// Which log entries apply to a dirty hive, and applying them in memory.
#include "hive/LogReplay.h"

#include <algorithm>

#include "hive/LogFormat.h"

namespace hive {

namespace {

// Where replay may start: a sequence number, and the log whose base block
// comes with it (logs.size() for the primary's own).
struct Start {
    uint32_t sequence;
    size_t baseLog;
};

// True when sequence number a comes after b, across the wrap at 2^32.
bool After(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) > 0; }

// The entries that continue from start one sequence number at a time, from
// whichever log holds the next one.
std::vector<LogEntry> Chain(const std::vector<EntryScan>& scans, uint32_t start) {
    std::vector<LogEntry> chain;
    size_t total = 0;
    for (const EntryScan& scan : scans) total += scan.entries.size();
    for (uint32_t next = start; chain.size() < total; ++next) {
        const LogEntry* found = nullptr;
        for (const EntryScan& scan : scans) {
            if (scan.entries.empty()) continue;
            const uint32_t index = next - scan.entries.front().sequence;
            if (index < scan.entries.size()) found = &scan.entries[index];
        }
        if (!found) break;
        chain.push_back(*found);
    }
    return chain;
}

}  // namespace

bool IsDirty(ByteView head) {
    const std::optional<BaseBlockView> base = BaseBlockView::Of(head);
    return base && base->Dirty();
}

LogReplay::LogReplay(ByteView head, uint64_t fileSize, std::vector<LogFile> logs)
    : m_logs(std::move(logs)), m_bufferSize(fileSize), m_baseLog(m_logs.size()) {
    const std::optional<BaseBlockView> primary = BaseBlockView::Of(head);
    m_outcome.dirty = primary && primary->Dirty();
    if (!m_outcome.dirty) return;
    const uint64_t maxBins = (fileSize > kBinsStart ? fileSize - kBinsStart : 0) + kMaxGrowth;
    std::vector<EntryScan> scans;
    for (size_t i = 0; i < m_logs.size(); ++i) scans.push_back(ScanEntries(m_logs[i].bytes, i, maxBins));
    PlanEntries(*primary, scans);
    if (m_chain.empty()) PlanDirtyPages(*primary, maxBins);
}

// Replay starts where the hive's base block says: at its secondary sequence
// number (the last write the file completed) or its primary one (the write
// under way), whichever leads further. A damaged base block gives way to a
// sound one from a log.
void LogReplay::PlanEntries(const BaseBlockView& primary, const std::vector<EntryScan>& scans) {
    std::vector<Start> starts;
    for (size_t i = 0; i < m_logs.size() && !primary.ChecksumOk(); ++i) {
        const std::optional<BaseBlockView> log = BaseBlockView::Of(m_logs[i].bytes);
        if (log && log->ChecksumOk() && log->FileType() == BaseBlockView::kNewFormatLog)
            starts.insert(starts.end(), {{log->SecondarySequence(), i}, {log->PrimarySequence(), i}});
    }
    if (starts.empty())
        starts = {{primary.SecondarySequence(), m_logs.size()}, {primary.PrimarySequence(), m_logs.size()}};
    for (const Start& start : starts) {
        std::vector<LogEntry> chain = Chain(scans, start.sequence);
        if (chain.size() <= m_chain.size()) continue;
        m_chain = std::move(chain);
        m_baseLog = start.baseLog;
    }
    if (m_chain.empty()) {
        m_baseLog = m_logs.size();
        ReportEntryStop(scans, starts.front().sequence);
        return;
    }
    m_outcome.entries = static_cast<uint32_t>(m_chain.size());
    m_outcome.from = LogsOf(m_chain.size());
    for (const LogEntry& entry : m_chain) m_bufferSize = std::max<uint64_t>(m_bufferSize, kBinsStart + entry.binsSize);
    ReportEntryStop(scans, m_chain.back().sequence + 1);
}

std::vector<std::string> LogReplay::LogsOf(size_t count) const {
    std::vector<std::string> from;
    for (size_t i = 0; i < count && i < m_chain.size(); ++i) {
        const std::string& name = m_logs[m_chain[i].log].name;
        if (std::find(from.begin(), from.end(), name) == from.end()) from.push_back(name);
    }
    return from;
}

// Replay stopped early when a log holds a damaged entry where the next one
// was due, or later entries after a missing one; older entries and the end
// of a log are its normal end.
void LogReplay::ReportEntryStop(const std::vector<EntryScan>& scans, uint32_t next) {
    const EntryScan* damaged = nullptr;
    for (const EntryScan& scan : scans) {
        if (!scan.broken) continue;
        uint64_t resume = kSector;
        for (const LogEntry& entry : m_chain)
            if (entry.log == scan.log) resume = entry.offset + entry.size;
        const bool due = scan.brokenSequenceKnown ? !After(next, scan.brokenSequence) : scan.brokenOffset == resume;
        if (due && (!damaged || After(damaged->brokenSequence, scan.brokenSequence))) damaged = &scan;
    }
    if (damaged) {
        m_outcome.stop = Where(m_logs[damaged->log].name, damaged->brokenOffset) + ": " + damaged->why;
        return;
    }
    for (size_t i = 0; i < scans.size(); ++i) {
        if (!scans[i].entries.empty() && After(scans[i].entries.back().sequence, next)) {
            m_outcome.stop = "no log holds entry " + std::to_string(next) + ", though " + m_logs[i].name +
                             " holds later ones";
            return;
        }
    }
}

Replayed LogReplay::Apply(MutableByteSpan image, uint64_t fileSize) const {
    Replayed replayed{std::min<uint64_t>(fileSize, image.size()), m_outcome};
    if (m_chain.empty() && !m_oldFormat) return replayed;
    ReplayImage target{image, replayed.size};
    if (m_oldFormat)
        ApplyDirtyPages(&target, &replayed);
    else
        ApplyEntries(&target, &replayed);
    return replayed;
}

// Entries apply in order as far as the image takes them; the hive is then
// the last one's.
void LogReplay::ApplyEntries(ReplayImage* image, Replayed* replayed) const {
    size_t applied = 0;
    for (; applied < m_chain.size(); ++applied) {
        std::string stop = ApplyEntry(m_chain[applied], image);
        if (stop.empty()) continue;
        replayed->outcome.stop = std::move(stop);
        break;
    }
    replayed->outcome.entries = static_cast<uint32_t>(applied);
    replayed->outcome.from = LogsOf(applied);
    if (applied == 0) return;
    const LogEntry& last = m_chain[applied - 1];
    Finish(image->bytes, last.sequence + 1, last.binsSize, replayed);
}

// The entry was checked whole when the log was scanned; the image's
// capacity is checked at each write.
std::string LogReplay::ApplyEntry(const LogEntry& entry, ReplayImage* image) const {
    const std::string& name = m_logs[entry.log].name;
    ByteView bytes;
    if (!m_logs[entry.log].bytes.Sub(entry.offset, entry.size, &bytes))
        return Where(name, entry.offset) + ": the log ends inside the entry";
    if (!image->Resize(kBinsStart + entry.binsSize)) return Where(name, entry.offset) + kBufferTooSmall;
    uint64_t data = kEntryHeaderSize + uint64_t{entry.pageCount} * kPageReferenceSize;
    for (uint32_t i = 0; i < entry.pageCount; ++i) {
        uint32_t offset = 0, size = 0;
        ByteView page;
        if (!PageReference(bytes, i, &offset, &size) || !bytes.Sub(data, size, &page) ||
            uint64_t{offset} + size > entry.binsSize)
            return Where(name, entry.offset + data) + ": a dirty page outside the hive bins";
        if (!image->bytes.Copy(kBinsStart + offset, page)) return Where(name, entry.offset + data) + kBufferTooSmall;
        data += size;
    }
    return std::string();
}

// The base block is the primary's, or the chosen log's when the primary's is
// damaged, with the fields that make it clean.
void LogReplay::Finish(MutableByteSpan image, uint32_t sequence, uint32_t binsSize, Replayed* replayed) const {
    ByteView logBase;
    const bool copied = m_baseLog >= m_logs.size() ||
                        (m_logs[m_baseLog].bytes.Sub(0, BaseBlockView::kSize, &logBase) && image.Copy(0, logBase));
    const bool written = copied && image.PutU32(BaseBlockView::kPrimarySequenceAt, sequence) &&
                         image.PutU32(BaseBlockView::kSecondarySequenceAt, sequence) &&
                         image.PutU32(BaseBlockView::kFileTypeAt, BaseBlockView::kPrimaryFile) &&
                         image.PutU32(BaseBlockView::kBinsSizeAt, binsSize);
    const std::optional<BaseBlockView> base = BaseBlockView::Of(image.View());
    if (!written || !base || !image.PutU32(BaseBlockView::kChecksumAt, base->Checksum())) {
        NothingApplied(replayed, "the replay buffer holds no base block");
        return;
    }
    replayed->size = kBinsStart + binsSize;
}

}  // namespace hive
