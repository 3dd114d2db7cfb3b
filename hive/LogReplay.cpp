// Which log entries apply to a dirty hive, and applying them in memory.
#include "hive/LogReplay.h"

#include <algorithm>
#include <cstring>

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

void PutU32(uint8_t* image, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) image[offset + i] = static_cast<uint8_t>(value >> (8 * i));
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
    m_cleanSequence = m_chain.back().sequence + 1;
    m_outcome.entries = static_cast<uint32_t>(m_chain.size());
    for (const LogEntry& entry : m_chain) {
        const std::string& name = m_logs[entry.log].name;
        if (std::find(m_outcome.from.begin(), m_outcome.from.end(), name) == m_outcome.from.end())
            m_outcome.from.push_back(name);
        m_bufferSize = std::max<uint64_t>(m_bufferSize, kBinsStart + entry.binsSize);
    }
    ReportEntryStop(scans, m_cleanSequence);
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

uint64_t LogReplay::Apply(uint8_t* data, uint64_t fileSize) const {
    if (m_chain.empty() && !m_oldFormat) return fileSize;
    ReplayImage image{data, fileSize};
    if (image.used < kBinsStart) image.Resize(kBinsStart);
    ByteView logBase;
    if (m_baseLog < m_logs.size() && m_logs[m_baseLog].bytes.Sub(0, BaseBlockView::kSize, &logBase))
        std::memcpy(data, logBase.data(), logBase.size());
    uint32_t binsSize = 0;
    if (m_oldFormat) {
        ApplyDirtyPages(&image);
        binsSize = m_dirty.binsSize;
    } else {
        for (const LogEntry& entry : m_chain) ApplyEntry(entry, &image);
        binsSize = m_chain.back().binsSize;
    }
    PutU32(data, BaseBlockView::kPrimarySequenceAt, m_cleanSequence);
    PutU32(data, BaseBlockView::kSecondarySequenceAt, m_cleanSequence);
    PutU32(data, BaseBlockView::kFileTypeAt, BaseBlockView::kPrimaryFile);
    PutU32(data, BaseBlockView::kBinsSizeAt, binsSize);
    // The base block came from a sound primary or log, so it is one.
    if (const std::optional<BaseBlockView> base = BaseBlockView::Of(ByteView(data, BaseBlockView::kSize)))
        PutU32(data, BaseBlockView::kChecksumAt, base->Checksum());
    return kBinsStart + binsSize;
}

// The entry was checked whole when the log was scanned.
void LogReplay::ApplyEntry(const LogEntry& entry, ReplayImage* image) const {
    ByteView bytes;
    if (!m_logs[entry.log].bytes.Sub(entry.offset, entry.size, &bytes)) return;
    image->Resize(kBinsStart + entry.binsSize);
    uint64_t data = kEntryHeaderSize + uint64_t{entry.pageCount} * kPageReferenceSize;
    for (uint32_t i = 0; i < entry.pageCount; ++i) {
        uint32_t offset = 0, size = 0;
        ByteView page;
        if (!PageReference(bytes, i, &offset, &size) || !bytes.Sub(data, size, &page) ||
            uint64_t{offset} + size > entry.binsSize)
            return;
        std::memcpy(image->data + kBinsStart + offset, page.data(), size);
        data += size;
    }
}

}  // namespace hive
