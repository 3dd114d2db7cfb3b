// Subkey lists ("li", "lf", "lh" and "ri" over them) and value lists.
#include "hive/HiveFormat.h"

namespace hive {

namespace {

constexpr const char* kSubKeyList = "subkey list";
constexpr uint32_t kListHeader = 4;  // signature and count

// How many of count entries of entrySize bytes from first on list holds.
uint32_t EntriesHeld(ByteView list, uint64_t first, uint32_t count, uint32_t entrySize) {
    const uint64_t room = list.size() > first ? (list.size() - first) / entrySize : 0;
    return count < room ? count : static_cast<uint32_t>(room);
}

// Appends the first u32 of each of count entries, or of as many as list
// holds; false when it holds fewer.
bool AppendEntries(ByteView list, uint64_t first, uint32_t count, uint32_t entrySize,
                   std::vector<uint32_t>* cells) {
    const uint32_t taken = EntriesHeld(list, first, count, entrySize);
    uint32_t entry = 0;
    for (uint32_t i = 0; i < taken; ++i) {
        if (!list.U32(first + static_cast<uint64_t>(i) * entrySize, &entry)) return false;
        cells->push_back(entry);
    }
    return taken == count;
}

}  // namespace

void Hive::ReadList(uint32_t cell, bool insideRi, std::vector<uint32_t>* cells,
                    std::vector<Damage>* damage) const {
    ByteView list;
    if (!CellData(cell, kSubKeyList, &list, damage)) return;
    uint16_t signature = 0, count = 0;
    if (!list.U16(0, &signature) || !list.U16(2, &count)) {
        AddDamage(damage, cell, kSubKeyList, "too small for its fields");
        return;
    }
    const bool pairs = signature == Signature('l', 'f') || signature == Signature('l', 'h');
    if (signature == Signature('r', 'i')) {
        if (insideRi) {
            AddDamage(damage, cell, kSubKeyList, "ri inside an ri");
            return;
        }
        const uint32_t leaves = EntriesHeld(list, kListHeader, count, 4);
        if (leaves < count) AddDamage(damage, cell, kSubKeyList, "count larger than its cell");
        // Leaves named again and again could make a small file list more
        // keys than memory holds; the hive cannot hold more distinct ones
        // than this.
        const size_t start = cells->size(), most = m_bins.size() / kSmallestKeyCell;
        uint32_t leaf = kNoCell;
        for (uint32_t i = 0; i < leaves && list.U32(kListHeader + 4ull * i, &leaf); ++i) {
            if (cells->size() - start > most) {
                AddDamage(damage, cell, kSubKeyList, "names more keys than the hive can hold");
                return;
            }
            ReadList(leaf, true, cells, damage);
        }
        return;
    }
    if (!pairs && signature != Signature('l', 'i')) {
        AddDamage(damage, cell, kSubKeyList, "of the wrong kind");
        return;
    }
    if (!AppendEntries(list, kListHeader, count, pairs ? 8 : 4, cells))
        AddDamage(damage, cell, kSubKeyList, "count larger than its cell");
}

void Hive::ReadSubKeyCells(const KeyNode& key, std::vector<uint32_t>* cells, std::vector<Damage>* damage) const {
    if (key.subKeyCount == 0) return;
    ReadList(key.subKeyList, false, cells, damage);
}

void Hive::ReadValueCells(const KeyNode& key, std::vector<uint32_t>* cells, std::vector<Damage>* damage) const {
    if (key.valueCount == 0) return;
    ByteView list;
    if (!CellData(key.valueList, "value list", &list, damage)) return;
    if (!AppendEntries(list, 0, key.valueCount, 4, cells))
        AddDamage(damage, key.valueList, "value list", "count larger than its cell");
}

}  // namespace hive
