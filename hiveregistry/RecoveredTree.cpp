#include "hiveregistry/RecoveredTree.h"

namespace {

// One character longer than the longest key name the registry allows, so
// that no real key is ever taken for it; it says what it holds.
constexpr size_t kStandInLength = 256;
constexpr char kStandInText[] = "{deleted, parent unknown}";

}  // namespace

RecoveredTree::RecoveredTree(const hive::Hive& hive)
    : m_standInName(std::string(kStandInText) + std::string(kStandInLength - (sizeof kStandInText - 1), '-')) {
    hive::DeletedRecords records = hive::DeletedRecords::Scan(hive);
    m_standIn.cell = records.spareCell;
    m_standIn.name.bytes = hive::ByteView(reinterpret_cast<const uint8_t*>(m_standInName.data()), m_standInName.size());
    m_standIn.name.compressed = true;  // one Latin-1 byte a character
    bool standInUsed = false;
    for (const hive::RecoveredKey& key : records.keys) {
        m_keys.emplace(key.node.cell, key);
        m_subKeys[Holder(key.under)].push_back(key.node);
        standInUsed |= key.under == hive::kNoCell;
    }
    for (const hive::RecoveredValue& value : records.values) {
        m_values[Holder(value.under)].push_back(value);
        standInUsed |= value.under == hive::kNoCell;
    }
    for (const hive::OrphanMember& member : records.orphanMembers) m_members.emplace(member.cell, member.top);
    if (standInUsed) m_subKeys[hive.RootCell()].push_back(m_standIn);
}

bool RecoveredTree::IsRecovered(uint32_t cell) const {
    const auto found = m_keys.find(cell);
    return cell == m_standIn.cell || (found != m_keys.end() && !found->second.orphaned);
}

const hive::RecoveredKey* RecoveredTree::Holding(uint32_t cell) const {
    const auto member = m_members.find(cell);
    const auto found = m_keys.find(member == m_members.end() ? cell : member->second);
    return found == m_keys.end() ? nullptr : &found->second;
}

const std::vector<hive::KeyNode>* RecoveredTree::SubKeys(uint32_t cell) const {
    const auto found = m_subKeys.find(cell);
    return found == m_subKeys.end() ? nullptr : &found->second;
}

const std::vector<hive::RecoveredValue>* RecoveredTree::Values(uint32_t cell) const {
    const auto found = m_values.find(cell);
    return found == m_values.end() ? nullptr : &found->second;
}

bool RecoveredTree::PathComplete(uint32_t under) const {
    if (under == hive::kNoCell) return false;
    const hive::RecoveredKey* holding = Holding(under);
    return !holding || holding->pathComplete;
}

// A member of an orphan is orphaned too.
RecordMark RecoveredTree::KeyMark(uint32_t cell) const {
    const hive::RecoveredKey* holding = Holding(cell);
    if (!holding) return {};
    const bool orphaned = holding->orphaned || holding->node.cell != cell;
    return {orphaned ? RecordMark::Kind::Orphaned : RecordMark::Kind::Deleted, hive::Hive::FileOffset(cell),
            holding->pathComplete, false};
}

RecordMark RecoveredTree::ValueMark(const hive::RecoveredValue& value) const {
    return {RecordMark::Kind::Deleted, hive::Hive::FileOffset(value.node.cell), PathComplete(value.under),
            !value.dataKnown};
}
