#include "hive/BaseBlockView.h"

namespace hive {

namespace {
constexpr uint32_t kRegf = 0x66676572;  // "regf"
}

std::optional<BaseBlockView> BaseBlockView::Of(ByteView bytes) {
    ByteView block;
    uint32_t signature = 0;
    if (!bytes.Sub(0, kSize, &block) || !block.U32(kSignatureAt, &signature) || signature != kRegf)
        return std::nullopt;
    return BaseBlockView(block);
}

// Of() made m_bytes exactly kSize long and every caller stays below it, so
// the read cannot fail; it is checked all the same, and reads 0 if it did.
uint32_t BaseBlockView::WordAt(uint32_t at) const {
    uint32_t word = 0;
    return m_bytes.U32(at, &word) ? word : 0;
}

uint32_t BaseBlockView::Checksum() const {
    uint32_t sum = 0;
    for (uint32_t at = 0; at < kChecksumAt; at += 4) sum ^= WordAt(at);
    if (sum == 0) return 1;
    if (sum == 0xFFFFFFFF) return 0xFFFFFFFE;
    return sum;
}

}  // namespace hive
