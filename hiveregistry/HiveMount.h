#pragma once
#include <string>
#include <vector>

#include "hive/Hive.h"
#include "hiveregistry/HiveBytes.h"

// One hive file and where it stands.
struct HiveMount {
    std::wstring key;     // a root's long name, then the path as given
    std::wstring folded;  // key by ordinal case folding, for comparisons
    std::wstring file;    // as given
    HiveBytes bytes;  // replayed from its logs when it is dirty
    hive::Hive hive;
    bool open = false;  // mapped, and a usable hive
    // The walk's marks, one a cell (cells start at multiples of 8): keys
    // whose sub-keys were listed, and keys that some key's list named. Each
    // key has one parent; lists that name keys over and over would otherwise
    // make a small file take exponential time to walk.
    std::vector<bool> listed;
    std::vector<bool> named;
};
