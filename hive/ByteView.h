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
    [[nodiscard]] bool U8(uint64_t offset, uint8_t* out) const;
    [[nodiscard]] bool U16(uint64_t offset, uint16_t* out) const;
    [[nodiscard]] bool U32(uint64_t offset, uint32_t* out) const;
    [[nodiscard]] bool U64(uint64_t offset, uint64_t* out) const;
    // *out views [offset, offset + length); false, *out untouched, when that
    // does not all lie inside. A zero length inside is a true, empty view.
    [[nodiscard]] bool Sub(uint64_t offset, uint64_t length, ByteView* out) const;

private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
};

}  // namespace hive
