#include "hive/StoredName.h"

namespace hive {

bool StoredName::UnitAt(size_t index, char16_t* unit) const {
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

void StoredName::AppendUtf16(std::u16string* out) const {
    const size_t units = Units();
    out->reserve(out->size() + units);
    char16_t unit = 0;
    for (size_t i = 0; i < units && UnitAt(i, &unit); ++i) out->push_back(unit);
}

}  // namespace hive
