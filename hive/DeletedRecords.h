#pragma once
// Key and value records that a hive's free space still holds after they
// were deleted: in free cells (at every 8-byte step, since freed neighbours
// merge), named by the slack of live keys' value lists, and in the bytes
// after the last bin. A record counts only when it passes every check of
// RecordChecks on its own, so that a cell partly reused by a later
// allocation gives nothing rather than a mangled record. Besides them, the
// orphans: allocated keys that no list reaches from the root, common past
// a break in the bins.
#include <cstdint>
#include <vector>

#include "hive/Hive.h"

namespace hive {

// A recovered key. node.cell is where its cell starts, relative to the bins
// (past the last bin for a record found after it).
struct RecoveredKey {
    KeyNode node;
    uint32_t parent = kNoCell;  // as the record names it
    // Where it stands: a live key reached from the root, another recovered
    // key, or kNoCell for the stand-in of unknown parents.
    uint32_t under = kNoCell;
    bool pathComplete = false;  // its chain of parents reaches the root
    // An allocated key that no list reaches, rather than a deleted one: its
    // own lists are sound, and the keys they reach are its orphans.
    bool orphaned = false;
};

// A key reached only through the lists of an orphaned key (top), which
// stands where its orphan stands.
struct OrphanMember {
    uint32_t cell = kNoCell;
    uint32_t top = kNoCell;
};

// A recovered value. data is only set when dataKnown: inline, or in a cell
// that is still free and holds it whole.
struct RecoveredValue {
    ValueNode node;
    uint32_t under = kNoCell;  // the key whose list named it, or kNoCell
    bool dataKnown = false;
    ByteView data;
};

struct DeletedRecords {
    std::vector<RecoveredKey> keys;  // deleted ones, then orphans
    std::vector<RecoveredValue> values;
    std::vector<OrphanMember> orphanMembers;
    // A cell above every one the records name, at a multiple of 8, that no
    // record takes: free for a caller's own use.
    uint32_t spareCell = 0;

    // Scans hive's free space; bounded by the file: every step moves on by
    // at least 8 bytes, and each record is placed once.
    static DeletedRecords Scan(const Hive& hive);

private:
    // Sets each value's key from the lists that name it (keyCells: the
    // allocated key nodes).
    void FindOwners(const Hive& hive, const std::vector<uint32_t>& keyCells);
    // Adds the allocated keys that reached (one mark a cell) lacks and no
    // other such key lists, and the keys their lists reach.
    void FindOrphans(const Hive& hive, const std::vector<uint32_t>& keyCells, const std::vector<bool>& reached);
    // Sets where each key and value stands, following parents through live
    // and recovered keys towards the root.
    void Place(const std::vector<bool>& reached);
    // One mark a cell (cells start at multiples of 8) for each key that the
    // lists reach from the root.
    static std::vector<bool> Reached(const Hive& hive);
};

// The checks one candidate passes. cell views the candidate from its size
// field to the end of the free space it lies in; binsSize bounds every
// offset it uses. False, nothing filled in, for anything implausible.
[[nodiscard]] bool CheckKeyRecord(ByteView cell, uint32_t binsSize, KeyNode* key, uint32_t* parent);
[[nodiscard]] bool CheckValueRecord(ByteView cell, uint32_t binsSize, ValueNode* value);

}  // namespace hive
