#include "hive/MutableByteSpan.h"

#include <cstring>

namespace hive {

bool MutableByteSpan::Copy(uint64_t offset, ByteView bytes) {
    if (!View().Has(offset, bytes.size())) return false;
    if (!bytes.empty()) std::memcpy(m_data + offset, bytes.data(), bytes.size());
    return true;
}

bool MutableByteSpan::Zero(uint64_t offset, uint64_t length) {
    if (!View().Has(offset, length)) return false;
    if (length) std::memset(m_data + offset, 0, static_cast<size_t>(length));
    return true;
}

bool MutableByteSpan::PutU32(uint64_t offset, uint32_t value) {
    if (!View().Has(offset, 4)) return false;
    for (int i = 0; i < 4; ++i) m_data[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    return true;
}

}  // namespace hive
