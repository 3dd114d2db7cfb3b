#pragma once
// A range of untrusted bytes, read little-endian whatever the host.
#include <cstddef>
#include <cstdint>

namespace hive {

// Every read says whether it lay inside; nothing reads outside.
class ByteView {
public:
    ByteView() = default;
    ByteView(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    const uint8_t* data() const { return m_data; }
    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    // True when [offset, offset + length) lies inside, without overflow.
    [[nodiscard]] bool Has(uint64_t offset, uint64_t length) const {
        return offset <= m_size && length <= m_size - offset;
    }
    // The reads are the walk's innermost steps (a tenth of a hive search's
    // time when they were calls), so they live here to be inlined.
    [[nodiscard]] bool U8(uint64_t offset, uint8_t* out) const {
        if (!Has(offset, 1)) return false;
        *out = m_data[offset];
        return true;
    }
    // Little-endian by assembly, so the reader means the same on any host.
    [[nodiscard]] bool U16(uint64_t offset, uint16_t* out) const {
        if (!Has(offset, 2)) return false;
        const uint8_t* p = m_data + offset;
        *out = static_cast<uint16_t>(p[0] | p[1] << 8);
        return true;
    }
    [[nodiscard]] bool U32(uint64_t offset, uint32_t* out) const {
        if (!Has(offset, 4)) return false;
        const uint8_t* p = m_data + offset;
        *out = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
               static_cast<uint32_t>(p[3]) << 24;
        return true;
    }
    [[nodiscard]] bool U64(uint64_t offset, uint64_t* out) const {
        uint32_t low = 0, high = 0;
        if (!U32(offset, &low) || !U32(offset + 4, &high)) return false;
        *out = static_cast<uint64_t>(high) << 32 | low;
        return true;
    }
    // *out views [offset, offset + length); false, *out untouched, when that
    // does not all lie inside. A zero length inside is a true, empty view.
    [[nodiscard]] bool Sub(uint64_t offset, uint64_t length, ByteView* out) const {
        if (!Has(offset, length)) return false;
        *out = ByteView(m_data + offset, static_cast<size_t>(length));
        return true;
    }

private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
};

}  // namespace hive
