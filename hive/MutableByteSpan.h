#pragma once
// Bytes that may be written, with their capacity: every write says whether
// it fit, and one that would not is not made at all.
#include <cstddef>
#include <cstdint>

#include "hive/ByteView.h"

namespace hive {

class MutableByteSpan {
public:
    MutableByteSpan(uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    size_t size() const { return m_size; }
    ByteView View() const { return ByteView(m_data, m_size); }
    // Copies bytes to offset.
    [[nodiscard]] bool Copy(uint64_t offset, ByteView bytes);
    // Zeroes [offset, offset + length).
    [[nodiscard]] bool Zero(uint64_t offset, uint64_t length);
    // Stores value little-endian at offset.
    [[nodiscard]] bool PutU32(uint64_t offset, uint32_t value);

private:
    uint8_t* m_data;
    size_t m_size;
};

}  // namespace hive
