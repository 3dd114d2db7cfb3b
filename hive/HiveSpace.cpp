// The reader's view of its free space, for the scan of deleted records.
#include "hive/HiveFormat.h"

namespace hive {

ByteView Hive::AfterBins() const {
    ByteView after;
    const uint64_t start = kBinsStart + m_bins.size();
    if (!m_file.Sub(start, m_file.size() - start, &after)) return ByteView();
    return after;
}

bool Hive::BinOf(uint32_t cell, uint32_t* first, uint32_t* end) const {
    if (cell >= m_bins.size()) return false;
    *first = m_pages[cell / kBinAlignment].first;
    *end = m_pages[cell / kBinAlignment].end;
    return true;
}

bool Hive::FreeCellData(uint32_t cell, ByteView* data) const {
    ByteView cellData;
    bool free = false;
    if (CellProblem(cell, &cellData, &free) || !free) return false;
    *data = cellData;
    return true;
}

void Hive::ReadValueListSlack(const KeyNode& key, std::vector<uint32_t>* cells) const {
    ByteView list;
    std::vector<Damage> ignored;
    if (key.valueList == kNoCell || !CellData(key.valueList, "value list", &list, &ignored)) return;
    uint32_t entry = 0;
    for (uint64_t at = uint64_t{key.valueCount} * 4; list.U32(at, &entry); at += 4) cells->push_back(entry);
}

}  // namespace hive
