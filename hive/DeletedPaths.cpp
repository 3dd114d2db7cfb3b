// Where recovered keys and values stand: each key's chain of parents is
// followed through live keys and other recovered keys. A chain that meets a
// live key reached from the root gives a full path; one that breaks (a
// parent that is neither, or a cycle) stands under the stand-in for
// unknown parents.
#include <unordered_map>

#include "hive/DeletedRecords.h"
#include "hive/HiveFormat.h"

namespace hive {

namespace {

enum class Placing : uint8_t { Open, OnChain, Placed };

}  // namespace

// Each key is put on a chain once and placed once: linear in the keys. A
// key below an orphan (a member) stands where its orphan stands.
void DeletedRecords::Place(const std::vector<bool>& reached) {
    const auto live = [&](uint32_t cell) {
        return cell / kCellAlignment < reached.size() && reached[cell / kCellAlignment];
    };
    std::unordered_map<uint32_t, size_t> byCell;
    for (size_t i = 0; i < keys.size(); ++i) byCell.emplace(keys[i].node.cell, i);
    for (const OrphanMember& member : orphanMembers) byCell.emplace(member.cell, byCell[member.top]);
    std::vector<Placing> state(keys.size(), Placing::Open);
    std::vector<size_t> chain;
    for (size_t start = 0; start < keys.size(); ++start) {
        chain.clear();
        uint32_t top = kNoCell;
        bool complete = false;
        for (size_t at = start; state[at] == Placing::Open;) {
            state[at] = Placing::OnChain;
            chain.push_back(at);
            const uint32_t parent = keys[at].parent;
            const auto found = byCell.find(parent);
            if (live(parent) || (found != byCell.end() && state[found->second] == Placing::Placed)) {
                top = parent;
                complete = live(parent) || keys[found->second].pathComplete;
                break;
            }
            if (found == byCell.end()) break;
            at = found->second;
        }
        for (size_t i = 0; i < chain.size(); ++i) {
            RecoveredKey& key = keys[chain[i]];
            key.under = i + 1 < chain.size() ? key.parent : top;
            key.pathComplete = complete;
            state[chain[i]] = Placing::Placed;
        }
    }
    for (RecoveredValue& value : values)
        if (!live(value.under) && byCell.find(value.under) == byCell.end()) value.under = kNoCell;
}

}  // namespace hive
