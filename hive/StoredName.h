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
    // Inline: every name the walk hands out or looks up goes through here.
    [[nodiscard]] bool UnitAt(size_t index, char16_t* unit) const {
        if (compressed) {
            uint8_t byte = 0;
            if (!bytes.U8(index, &byte)) return false;
            *unit = byte;
            return true;
        }
        uint16_t word = 0;
        // index < Units() keeps 2 * index from wrapping.
        if (index >= Units() || !bytes.U16(2 * uint64_t{index}, &word)) return false;
        *unit = word;
        return true;
    }
    // Appends the name as UTF-16 code units.
    void AppendUtf16(std::u16string* out) const;
};

}  // namespace hive
