// Which log entries apply to a dirty hive, and applying them in memory.
#include "hive/LogReplay.h"

#include <algorithm>

#include "hive/LogFormat.h"

namespace hive {

namespace {

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

// With a sound base block, each log says in its own base block which entry
// it starts at, and its entries run on from there. Windows starts a log
// afresh after it writes the hive, so a log that starts before the hive's
// last complete write is stale; one that starts at or after it applies,
// however far after (Windows recovers a hive at 1621 from logs that start
// at 2107). The log that starts first goes first; another applies where it
// continues the entries applied. A damaged base block gives way to a sound
// one from a log.
void LogReplay::PlanEntries(const BaseBlockView& primary, const std::vector<EntryScan>& scans) {
    if (primary.ChecksumOk())
        PlanFromLogStarts(primary.SecondarySequence(), scans);
    else
        PlanFromLogBase(primary, scans);
    if (m_chain.empty()) {
        m_baseLog = m_logs.size();
        if (m_outcome.stop.empty()) ReportEntryStop(scans, primary.SecondarySequence());
        return;
    }
    m_outcome.entries = static_cast<uint32_t>(m_chain.size());
    m_outcome.from = LogsOf(m_chain.size());
    for (const LogEntry& entry : m_chain) m_bufferSize = std::max<uint64_t>(m_bufferSize, kBinsStart + entry.binsSize);
    ReportEntryStop(scans, m_chain.back().sequence + 1);
}

// A log's first entry must be the one its base block names; a log whose
// base block is damaged starts at its first entry.
bool LogReplay::LogStart(const EntryScan& scan, uint32_t* start) const {
    if (scan.entries.empty()) return false;
    const std::optional<BaseBlockView> base = BaseBlockView::Of(m_logs[scan.log].bytes);
    *start = base && base->ChecksumOk() ? base->PrimarySequence() : scan.entries.front().sequence;
    return true;
}

void LogReplay::PlanFromLogStarts(uint32_t hiveSequence, const std::vector<EntryScan>& scans) {
    std::vector<std::pair<uint32_t, const EntryScan*>> starts;
    for (const EntryScan& scan : scans) {
        uint32_t start = 0;
        if (LogStart(scan, &start)) starts.push_back({start, &scan});
    }
    // By distance ahead of the hive, which orders them across the wrap at
    // 2^32 and puts stale logs last.
    std::sort(starts.begin(), starts.end(), [hiveSequence](const auto& a, const auto& b) {
        return a.first - hiveSequence < b.first - hiveSequence;
    });
    for (const auto& [start, scan] : starts) {
        const std::string& name = m_logs[scan->log].name;
        if (m_chain.empty() && After(hiveSequence, start)) {
            m_outcome.stop = name + " starts at entry " + std::to_string(start) + ", before the hive's " +
                             std::to_string(hiveSequence);
            continue;
        }
        if (!m_chain.empty() && start != m_chain.back().sequence + 1) continue;
        if (scan->entries.front().sequence != start) {
            m_outcome.stop = name + " holds entry " + std::to_string(scan->entries.front().sequence) +
                             " where its base block names " + std::to_string(start);
            continue;
        }
        m_chain.insert(m_chain.end(), scan->entries.begin(), scan->entries.end());
    }
    if (!m_chain.empty()) m_outcome.stop.clear();
}

// A sound log base block decides where replay starts: at its secondary
// sequence number or its primary one, whichever leads further. Without one,
// the primary's own numbers are tried: the damage may lie elsewhere in its
// base block.
void LogReplay::PlanFromLogBase(const BaseBlockView& primary, const std::vector<EntryScan>& scans) {
    std::vector<std::pair<uint32_t, size_t>> starts;
    for (size_t i = 0; i < m_logs.size(); ++i) {
        const std::optional<BaseBlockView> log = BaseBlockView::Of(m_logs[i].bytes);
        if (log && log->ChecksumOk() && log->FileType() == BaseBlockView::kNewFormatLog)
            starts.insert(starts.end(), {{log->SecondarySequence(), i}, {log->PrimarySequence(), i}});
    }
    if (starts.empty())
        starts = {{primary.SecondarySequence(), m_logs.size()}, {primary.PrimarySequence(), m_logs.size()}};
    for (const auto& [start, baseLog] : starts) {
        std::vector<LogEntry> chain = Chain(scans, start);
        if (chain.size() <= m_chain.size()) continue;
        m_chain = std::move(chain);
        m_baseLog = baseLog;
    }
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

std::string ReplayedFrom(const ReplayOutcome& outcome) {
    std::string text = "replayed " + std::to_string(outcome.entries) +
                       (outcome.entries == 1 ? " log entry from " : " log entries from ");
    for (size_t i = 0; i < outcome.from.size(); ++i) text += (i ? ", " : "") + outcome.from[i];
    return text;
}

}  // namespace hive
