#include "hive/ByteView.h"

namespace hive {

bool ByteView::U8(uint64_t offset, uint8_t* out) const {
    if (!Has(offset, 1)) return false;
    *out = m_data[offset];
    return true;
}

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
    if (!U32(offset, &low) || !U32(offset + 4, &high)) return false;
    *out = static_cast<uint64_t>(high) << 32 | low;
    return true;
}

bool ByteView::Sub(uint64_t offset, uint64_t length, ByteView* out) const {
    if (!Has(offset, length)) return false;
    *out = ByteView(m_data + offset, static_cast<size_t>(length));
    return true;
}

}  // namespace hive
