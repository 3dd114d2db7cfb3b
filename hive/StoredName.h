#pragma once
// A key or value name as a hive stores it.
#include <cstddef>
#include <string>

#include "hive/ByteView.h"

namespace hive {

// One Latin-1 byte a character ("compressed"), or UTF-16LE code units.
struct StoredName {
    ByteView bytes;
    bool compressed = false;
    // The name's length in UTF-16 code units.
    size_t Units() const { return compressed ? bytes.size() : bytes.size() / 2; }
    // *unit is the name's unit at index: a compressed byte b is the unit b
    // (Latin-1), never a code page's character. False past the name's end.
    [[nodiscard]] bool UnitAt(size_t index, char16_t* unit) const;
    // Appends the name as UTF-16 code units.
    void AppendUtf16(std::u16string* out) const;
};

}  // namespace hive
