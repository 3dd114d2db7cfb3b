#include "hive/StoredName.h"

namespace hive {

void StoredName::AppendUtf16(std::u16string* out) const {
    const size_t start = out->size();
    out->resize(start + Units());
    size_t i = 0;
    for (char16_t unit = 0; i < Units() && UnitAt(i, &unit); ++i) (*out)[start + i] = unit;
    out->resize(start + i);
}

}  // namespace hive
