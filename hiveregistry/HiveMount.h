#pragma once
#include <memory>
#include <string>
#include <vector>

#include "hive/Hive.h"
#include "hiveregistry/HiveBytes.h"
#include "hiveregistry/RecoveredTree.h"

// One hive file and where it stands, or a link: a key that shows a key of
// another mount's hive, as a running Windows shows the current control set
// again as CurrentControlSet.
struct HiveMount {
    static constexpr size_t kNone = static_cast<size_t>(-1);

    std::wstring key;     // a root's long name, then the path as given
    std::wstring folded;  // key by ordinal case folding, for comparisons
    std::wstring file;    // as given; a link's is its source's
    HiveBytes bytes;  // replayed from its logs when it is dirty; a link's are its source's
    hive::Hive hive;
    bool open = false;  // mapped, and a usable hive; a link: its keys found
    bool link = false;
    // The mount whose file this one shows: its own index for a file.
    size_t source = kNone;
    // A link's key in the source's hive, below its root ("" for the root).
    std::wstring target;
    // The key shown at this mount's key: the root, or a link's target.
    uint32_t top = hive::kNoCell;
    // A link inside another mount's key is a sub-key there: that mount, the
    // cell of the key that lists it, and its name as stored (UTF-16LE).
    size_t inside = kNone;
    uint32_t parentCell = hive::kNoCell;
    std::u16string name;
    // The walk's marks, one a cell (cells start at multiples of 8): keys
    // whose sub-keys were listed, and keys that some key's list named. Each
    // key has one parent; lists that name keys over and over would otherwise
    // make a small file take exponential time to walk. A link keeps its own,
    // since it walks the keys of its target a second time.
    std::vector<bool> listed;
    std::vector<bool> named;
    // With /X, a file's records recovered from its free space; a link
    // shows its source's.
    std::unique_ptr<RecoveredTree> recovered;
};
