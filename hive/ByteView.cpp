#include "hive/Hive.h"

namespace hive {

// Little-endian by assembly, so the reader means the same on any host.
bool ByteView::U16(uint64_t offset, uint16_t* out) const {
    if (!Has(offset, 2)) return false;
    const uint8_t* p = m_data + offset;
    *out = static_cast<uint16_t>(p[0] | p[1] << 8);
    return true;
}

bool ByteView::U32(uint64_t offset, uint32_t* out) const {
    if (!Has(offset, 4)) return false;
    const uint8_t* p = m_data + offset;
    *out = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
    return true;
}

bool ByteView::U64(uint64_t offset, uint64_t* out) const {
    uint32_t low = 0, high = 0;
    if (!Has(offset, 8)) return false;
    U32(offset, &low);
    U32(offset + 4, &high);
    *out = static_cast<uint64_t>(high) << 32 | low;
    return true;
}

ByteView ByteView::Sub(uint64_t offset, uint64_t length) const {
    if (!Has(offset, length)) return ByteView();
    return ByteView(m_data + offset, static_cast<size_t>(length));
}

void StoredName::AppendUtf16(std::u16string* out) const {
    const uint8_t* p = bytes.data();
    const size_t units = Units();
    out->reserve(out->size() + units);
    if (compressed) {
        for (size_t i = 0; i < units; ++i) out->push_back(static_cast<char16_t>(p[i]));
    } else {
        for (size_t i = 0; i < units; ++i) out->push_back(static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8));
    }
}

}  // namespace hive
