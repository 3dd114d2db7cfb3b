// The old format: one log, FILE.LOG (or LOG1/LOG2 up to Windows 8), whose
// base block is the hive's newest, followed by "DIRT", a bitmap with one bit
// per 512-byte page of the hive bins, and the dirty pages in order.
#include <algorithm>

#include "hive/LogFormat.h"

namespace hive {

namespace {

constexpr uint64_t kBitmapAt = kSector + 4;

uint64_t SetBits(ByteView bitmap) {
    uint64_t count = 0;
    for (uint64_t i = 0; i < bitmap.size(); ++i)
        for (uint8_t byte = bitmap.data()[i]; byte != 0; byte &= byte - 1) ++count;
    return count;
}

// The base block of a sound old-format log not older than the hive's last
// complete write.
std::optional<BaseBlockView> UsableDirtLog(ByteView bytes, const BaseBlockView& primary) {
    uint32_t signature = 0;
    const std::optional<BaseBlockView> log = BaseBlockView::Of(bytes);
    if (!log || !log->ChecksumOk() || log->FileType() == BaseBlockView::kPrimaryFile ||
        log->FileType() == BaseBlockView::kNewFormatLog || !bytes.U32(kSector, &signature) ||
        signature != kDirtSignature)
        return std::nullopt;
    if (primary.ChecksumOk() && static_cast<int32_t>(log->PrimarySequence() - primary.SecondarySequence()) < 0)
        return std::nullopt;
    return log;
}

}  // namespace

// The newest usable log applies; the pages start at the first sector
// boundary after the bitmap.
void LogReplay::PlanDirtyPages(const BaseBlockView& primary, uint64_t maxBins) {
    std::optional<BaseBlockView> best;
    size_t chosen = m_logs.size();
    for (size_t i = 0; i < m_logs.size(); ++i) {
        const std::optional<BaseBlockView> log = UsableDirtLog(m_logs[i].bytes, primary);
        if (log && (!best || static_cast<int32_t>(log->PrimarySequence() - best->PrimarySequence()) > 0)) {
            best = log;
            chosen = i;
        }
    }
    if (!best) return;
    const LogFile& file = m_logs[chosen];
    const uint32_t binsSize = best->BinsSize();
    if (binsSize == 0 || binsSize % kBinAlignment != 0 || binsSize > maxBins) {
        m_outcome.stop = Where(file.name, BaseBlockView::kBinsSizeAt) + ": bad hive-bins size";
        return;
    }
    ByteView bitmap;
    if (!file.bytes.Sub(kBitmapAt, binsSize / kPageUnit / 8, &bitmap)) {
        m_outcome.stop = Where(file.name, kBitmapAt) + ": the log ends inside its dirty bitmap";
        return;
    }
    const uint64_t firstPage = (kBitmapAt + bitmap.size() + kSector - 1) / kSector * kSector;
    const uint64_t pagesInLog = file.bytes.size() > firstPage ? (file.bytes.size() - firstPage) / kPageUnit : 0;
    const uint64_t dirty = SetBits(bitmap);
    m_outcome.stop.clear();
    if (dirty > pagesInLog)
        m_outcome.stop = Where(file.name, firstPage + pagesInLog * kPageUnit) + ": the log ends inside its dirty pages";
    m_oldFormat = true;
    m_dirty = DirtyPages{chosen, binsSize, firstPage, best->PrimarySequence()};
    m_baseLog = chosen;
    m_outcome.entries = 1;
    m_outcome.from = {file.name};
    m_bufferSize = std::max<uint64_t>(m_bufferSize, kBinsStart + binsSize);
}

// Page i of the bins is dirty when bit i is set, counting from the low bit
// of the bitmap's first byte. Pages the log lacks stay as they were (the plan
// said so). The bins are sized first, so an image too small for them takes
// no page at all.
void LogReplay::ApplyDirtyPages(ReplayImage* image, Replayed* replayed) const {
    const LogFile& log = m_logs[m_dirty.log];
    ByteView bitmap, page;
    if (!log.bytes.Sub(kBitmapAt, m_dirty.binsSize / kPageUnit / 8, &bitmap)) {
        NothingApplied(replayed, Where(log.name, kBitmapAt) + ": the log ends inside its dirty bitmap");
        return;
    }
    bool fits = image->Resize(kBinsStart + m_dirty.binsSize);
    uint64_t next = m_dirty.firstPage;
    for (uint64_t bit = 0; fits && bit < uint64_t{bitmap.size()} * 8; ++bit) {
        if ((bitmap.data()[bit / 8] >> (bit % 8) & 1) == 0) continue;
        if (!log.bytes.Sub(next, kPageUnit, &page)) break;
        fits = image->bytes.Copy(kBinsStart + bit * kPageUnit, page);
        if (fits) next += kPageUnit;
    }
    if (!fits) {
        NothingApplied(replayed, Where(log.name, next) + kBufferTooSmall);
        return;
    }
    Finish(image->bytes, m_dirty.sequence, m_dirty.binsSize, replayed);
}

}  // namespace hive
