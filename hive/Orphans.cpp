// Allocated keys that no list reaches from the root: after damage (a break
// in the bins, a list cell overwritten) the keys behind it are still whole.
#include "hive/DeletedRecords.h"
#include "hive/HiveFormat.h"

namespace hive {

namespace {

// Marks, one a cell, each key that the lists reach from the key at cell and
// that is not marked yet; appends them to reachedCells when given. A cell
// that holds no readable key is not marked: it is no key reached. Each key
// is visited once, however often lists name it.
void Reach(const Hive& hive, uint32_t cell, std::vector<bool>* marks, std::vector<uint32_t>* reachedCells) {
    std::vector<uint32_t> cells;
    std::vector<Damage> ignored;
    std::vector<KeyNode> pending(1);
    if (!hive.ReadKey(cell, &pending[0], &ignored)) return;
    while (!pending.empty()) {
        const KeyNode key = pending.back();
        pending.pop_back();
        cells.clear();
        hive.ReadSubKeyCells(key, &cells, &ignored);
        for (uint32_t child : cells) {
            KeyNode node;
            ignored.clear();
            if (child >= hive.BinsSize() || (*marks)[child / kCellAlignment] || !hive.ReadKey(child, &node, &ignored))
                continue;
            (*marks)[child / kCellAlignment] = true;
            pending.push_back(node);
            if (reachedCells) reachedCells->push_back(child);
        }
    }
}

// Marks each unreached key that another unreached key's list names.
std::vector<bool> ListedByUnreached(const Hive& hive, const std::vector<uint32_t>& unreached,
                                    const std::vector<bool>& reached) {
    std::vector<bool> listed(reached.size(), false);
    std::vector<uint32_t> cells;
    std::vector<Damage> ignored;
    for (uint32_t cell : unreached) {
        KeyNode key;
        cells.clear();
        ignored.clear();
        if (!hive.ReadKey(cell, &key, &ignored)) continue;
        hive.ReadSubKeyCells(key, &cells, &ignored);
        for (uint32_t child : cells)
            if (child != cell && child < hive.BinsSize() && !reached[child / kCellAlignment])
                listed[child / kCellAlignment] = true;
    }
    return listed;
}

}  // namespace

std::vector<bool> DeletedRecords::Reached(const Hive& hive) {
    std::vector<bool> reached(hive.BinsSize() / kCellAlignment + 1, false);
    reached[hive.RootCell() / kCellAlignment] = true;
    Reach(hive, hive.RootCell(), &reached, nullptr);
    return reached;
}

// An orphan is an unreached key that no other unreached key lists; the keys
// its lists reach are its members. Unreached keys that only list one
// another in a ring have no orphan to stand under and are left out.
void DeletedRecords::FindOrphans(const Hive& hive, const std::vector<uint32_t>& keyCells,
                                 const std::vector<bool>& reached) {
    std::vector<uint32_t> unreached, members;
    for (uint32_t cell : keyCells)
        if (!reached[cell / kCellAlignment]) unreached.push_back(cell);
    const std::vector<bool> listed = ListedByUnreached(hive, unreached, reached);
    std::vector<bool> adopted = reached;
    std::vector<Damage> ignored;
    for (uint32_t cell : unreached) {
        RecoveredKey orphan;
        if (listed[cell / kCellAlignment] || adopted[cell / kCellAlignment] ||
            !hive.ReadKey(cell, &orphan.node, &ignored) ||
            !hive.Bins().U32(uint64_t{cell} + 4 + kKeyParentAt, &orphan.parent))
            continue;
        orphan.orphaned = true;
        keys.push_back(orphan);
        adopted[cell / kCellAlignment] = true;
        members.clear();
        Reach(hive, cell, &adopted, &members);
        for (uint32_t member : members) orphanMembers.push_back({member, cell});
    }
}

}  // namespace hive
