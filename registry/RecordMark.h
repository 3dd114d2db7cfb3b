#pragma once
// What a registry says of a key or value that it recovered rather than
// read from the registry's own lists (kestrin-find /X on a hive): the walk
// passes it on with the hit and knows nothing more of it.
#include <cstdint>

struct RecordMark {
    enum class Kind : uint8_t { None, Deleted, Orphaned };
    Kind kind = Kind::None;
    uint64_t fileOffset = 0;   // of the record's cell in its hive file
    bool pathComplete = true;  // false: the path stands under the stand-in for unknown parents
    bool dataLost = false;     // a value whose data could not be recovered; shown without it

    bool Marked() const { return kind != Kind::None; }
};
