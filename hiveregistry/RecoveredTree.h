#pragma once
// The records that kestrin-find /X recovered from one hive's free space,
// and its orphaned keys, arranged as the walk meets them: each recovered
// key among the sub-keys of the key it stands under, each recovered value
// among the values of its key. An orphan's own lists are sound: the keys
// below it are walked through them, and marked as orphaned too. Keys and
// values whose chain of parents breaks stand under one stand-in key below
// the hive's root, whose name no real key can have: 256 characters, one
// more than the registry allows in a key name.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "hive/DeletedRecords.h"
#include "registry/RecordMark.h"

class RecoveredTree {
public:
    // Scans hive, which must outlive the tree.
    explicit RecoveredTree(const hive::Hive& hive);

    // One more than the highest cell the tree hands out, the stand-in's
    // included: the walk's marks need room for them all.
    uint32_t CellLimit() const { return m_standIn.cell + 8; }
    // The recovered sub-keys of the key at cell (of the root: the stand-in
    // as well, when it holds anything), or null.
    const std::vector<hive::KeyNode>* SubKeys(uint32_t cell) const;
    // The recovered values of the key at cell, or null.
    const std::vector<hive::RecoveredValue>* Values(uint32_t cell) const;
    // The key at cell is a deleted one or the stand-in: its own lists are
    // not to be read.
    bool IsRecovered(uint32_t cell) const;
    RecordMark KeyMark(uint32_t cell) const;
    RecordMark ValueMark(const hive::RecoveredValue& value) const;

private:
    // Where a key or value the scan placed under "under" stands here.
    uint32_t Holder(uint32_t under) const { return under == hive::kNoCell ? m_standIn.cell : under; }
    // Only recovered keys and orphans lack a full path: the others stand
    // under live keys.
    bool PathComplete(uint32_t under) const;
    // The deleted key or orphan at cell, or the orphan that a member at cell
    // stands below; null for any other cell.
    const hive::RecoveredKey* Holding(uint32_t cell) const;

    std::string m_standInName;
    hive::KeyNode m_standIn;
    std::unordered_map<uint32_t, hive::RecoveredKey> m_keys;
    std::unordered_map<uint32_t, uint32_t> m_members;  // cell: its orphan's
    std::unordered_map<uint32_t, std::vector<hive::KeyNode>> m_subKeys;
    std::unordered_map<uint32_t, std::vector<hive::RecoveredValue>> m_values;
};
