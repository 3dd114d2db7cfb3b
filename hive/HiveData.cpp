// Value data: inline, in one cell, or gathered from big-data segments.
#include "hive/HiveFormat.h"

namespace hive {

namespace {
constexpr const char* kBigData = "big-data record";
}

bool Hive::ReadValueData(const ValueNode& value, std::vector<uint8_t>* scratch, ByteView* data,
                         std::vector<Damage>* damage) const {
    *data = ByteView();
    if (value.dataSize == 0) return true;
    if (value.inlineData) {
        // The data is the vk's offset field itself: 4 + 8 bytes into the cell.
        if (value.dataSize > kInlineDataMax) {
            AddDamage(damage, value.cell, "value node", "with inline data over 4 bytes");
            return false;
        }
        if (!m_bins.Sub(static_cast<uint64_t>(value.cell) + 12, value.dataSize, data)) {
            AddDamage(damage, value.cell, "value node", "too small for its fields");
            return false;
        }
        return true;
    }
    ByteView cell;
    if (!CellData(value.dataOffset, "value data", &cell, damage)) return false;
    uint16_t signature = 0;
    // Only 1.4 and later have big data; in 1.3 a cell that starts with "db"
    // is plain data.
    if (m_base.minor >= 4 && value.dataSize > kBigDataSegment && cell.U16(0, &signature) &&
        signature == Signature('d', 'b'))
        return ReadBigData(value, cell, scratch, data, damage);
    if (!cell.Sub(0, value.dataSize, data)) {
        AddDamage(damage, value.dataOffset, "value data", "larger than its cell");
        return false;
    }
    return true;
}

// Every segment carries kBigDataSegment bytes but the last, which carries the
// rest; the segments' cells are a little larger and their slack is not data.
// All segments are checked before anything is copied, so damage costs no
// allocation.
bool Hive::ReadBigData(const ValueNode& value, ByteView record, std::vector<uint8_t>* scratch, ByteView* data,
                       std::vector<Damage>* damage) const {
    uint16_t count = 0;
    uint32_t listCell = kNoCell;
    ByteView list;
    // Damage to the segment list or a segment is this record's: one Damage.
    std::vector<Damage> ignored;
    const uint64_t needed = (static_cast<uint64_t>(value.dataSize) + kBigDataSegment - 1) / kBigDataSegment;
    // Segments named again and again could promise more data than the hive
    // holds; such a record is as impossible as one with too few segments.
    if (value.dataSize > m_bins.size() || !record.U16(2, &count) || !record.U32(4, &listCell) || count < needed ||
        !CellData(listCell, kBigData, &list, &ignored) || !list.Has(0, needed * 4)) {
        AddDamage(damage, value.dataOffset, kBigData, "with impossible segments");
        return false;
    }
    for (uint32_t pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            scratch->clear();
            scratch->reserve(value.dataSize);
        }
        uint64_t left = value.dataSize;
        for (uint64_t i = 0; i < needed; ++i) {
            uint32_t segmentCell = kNoCell;
            ByteView segment, share;
            if (!list.U32(i * 4, &segmentCell) || !CellData(segmentCell, "big-data segment", &segment, &ignored) ||
                !segment.Sub(0, left < kBigDataSegment ? left : kBigDataSegment, &share)) {
                AddDamage(damage, value.dataOffset, kBigData, "with impossible segments");
                return false;
            }
            if (pass == 1) scratch->insert(scratch->end(), share.data(), share.data() + share.size());
            left -= share.size();
        }
    }
    *data = ByteView(scratch->data(), scratch->size());
    return true;
}

}  // namespace hive
