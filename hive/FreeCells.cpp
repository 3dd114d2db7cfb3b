// The scan of a hive's free space for deleted key and value records.
#include <unordered_map>

#include "hive/DeletedRecords.h"
#include "hive/HiveFormat.h"

namespace hive {

namespace {

// Cells relative to the bins are 32-bit; space past this is not named, so
// that a cell above every record stays free for the walk's own use.
constexpr uint64_t kLastCell = 0xFFFFFFE0u;

// The bytes a record takes from its size field to its name's end, rounded
// to a cell: not its cell's size, which a merged free cell has grown.
uint32_t Extent(uint32_t nameOffset, const StoredName& name) {
    return static_cast<uint32_t>((4 + nameOffset + name.bytes.size() + kCellAlignment - 1) / kCellAlignment *
                                 kCellAlignment);
}

// Looks for records in [start, end) of space, whose byte at start stands at
// cell base + start. A record found is stepped over, so that nothing inside
// it (a name that spells "nk") counts again.
void ScanSpace(ByteView space, uint64_t start, uint64_t end, uint64_t base, uint32_t binsSize,
               DeletedRecords* out) {
    for (uint64_t at = start; at + kCellAlignment <= end && base + at < kLastCell;) {
        ByteView room;
        uint16_t signature = 0;
        uint32_t taken = 0;
        if (!space.Sub(at, end - at, &room) || !room.U16(4, &signature)) return;
        RecoveredKey key;
        RecoveredValue value;
        if (signature == Signature('n', 'k') && CheckKeyRecord(room, binsSize, &key.node, &key.parent)) {
            key.node.cell = static_cast<uint32_t>(base + at);
            out->keys.push_back(key);
            taken = Extent(kKeyNameOffset, key.node.name);
        } else if (signature == Signature('v', 'k') && CheckValueRecord(room, binsSize, &value.node)) {
            value.node.cell = static_cast<uint32_t>(base + at);
            // Inline data is the offset field itself, 12 bytes into the cell.
            value.dataKnown = !value.node.inlineData || room.Sub(12, value.node.dataSize, &value.data);
            out->values.push_back(value);
            taken = Extent(kValueNameOffset, value.node.name);
        }
        at += taken ? taken : kCellAlignment;
    }
}

// Scans the free cells of every bin and notes the allocated key nodes,
// whose value lists may name deleted values. A cell size that does not fit
// ends the bin's scan: the cells behind it cannot be told apart.
void ScanBins(const Hive& hive, DeletedRecords* out, std::vector<uint32_t>* keyCells) {
    const ByteView bins = hive.Bins();
    const uint32_t binsSize = static_cast<uint32_t>(bins.size());
    uint32_t first = 0, end = 0;
    for (uint32_t bin = 0; hive.BinOf(bin, &first, &end) && end > bin; bin = end) {
        uint32_t raw = 0;
        uint16_t signature = 0;
        for (uint32_t at = first; at + kCellAlignment <= end && bins.U32(at, &raw);) {
            const int32_t size = static_cast<int32_t>(raw);
            const uint32_t length = size < 0 ? 0u - static_cast<uint32_t>(size) : static_cast<uint32_t>(size);
            if (length < kCellAlignment || length % kCellAlignment != 0 || length > end - at) break;
            if (size > 0)
                ScanSpace(bins, at, at + length, 0, binsSize, out);
            else if (bins.U16(at + 4, &signature) && signature == Signature('n', 'k'))
                keyCells->push_back(at);
            at += length;
        }
    }
    const ByteView after = hive.AfterBins();
    ScanSpace(after, 0, after.size(), binsSize, binsSize, out);
    const uint64_t spare = (binsSize + uint64_t{after.size()} + kCellAlignment - 1) / kCellAlignment * kCellAlignment;
    out->spareCell = static_cast<uint32_t>(spare < kLastCell ? spare : kLastCell);
}

// The data of a value recovered outside any inline field: only while its
// cell is still free and holds it whole. Big data is never trusted: its
// segment list and segments would all have to have survived.
void FindData(const Hive& hive, RecoveredValue* value) {
    if (value->node.inlineData) return;
    ByteView cell;
    const bool big = hive.Base().minor >= 4 && value->node.dataSize > kBigDataSegment;
    value->dataKnown = value->node.dataSize == 0 ||
                       (!big && hive.FreeCellData(value->node.dataOffset, &cell) &&
                        cell.Sub(0, value->node.dataSize, &value->data));
}

// The values that a list names stand under its key, unless a list named
// them first.
void Claim(const std::vector<uint32_t>& entries, uint32_t key, const std::unordered_map<uint32_t, size_t>& byCell,
           DeletedRecords* out) {
    for (uint32_t entry : entries) {
        const auto found = byCell.find(entry);
        if (found != byCell.end() && out->values[found->second].under == kNoCell)
            out->values[found->second].under = key;
    }
}

}  // namespace

// Deleted values of live keys are named by the slack of their value lists;
// those of deleted keys by the keys' own lists, still in free cells.
void DeletedRecords::FindOwners(const Hive& hive, const std::vector<uint32_t>& keyCells) {
    std::unordered_map<uint32_t, size_t> byCell;
    for (size_t i = 0; i < values.size(); ++i) byCell.emplace(values[i].node.cell, i);
    std::vector<uint32_t> entries;
    std::vector<Damage> ignored;
    for (uint32_t cell : keyCells) {
        KeyNode key;
        entries.clear();
        ignored.clear();
        if (!hive.ReadKey(cell, &key, &ignored)) continue;
        hive.ReadValueListSlack(key, &entries);
        Claim(entries, cell, byCell, this);
    }
    for (const RecoveredKey& key : keys) {
        ByteView list;
        uint32_t entry = 0;
        entries.clear();
        if (key.node.valueCount == 0 || !hive.FreeCellData(key.node.valueList, &list)) continue;
        for (uint64_t i = 0; i < key.node.valueCount && list.U32(4 * i, &entry); ++i) entries.push_back(entry);
        Claim(entries, key.node.cell, byCell, this);
    }
}

DeletedRecords DeletedRecords::Scan(const Hive& hive) {
    DeletedRecords records;
    std::vector<uint32_t> keyCells;
    ScanBins(hive, &records, &keyCells);
    for (RecoveredValue& value : records.values) FindData(hive, &value);
    records.FindOwners(hive, keyCells);
    const std::vector<bool> reached = Reached(hive);
    records.FindOrphans(hive, keyCells, reached);
    records.Place(reached);
    return records;
}

}  // namespace hive
