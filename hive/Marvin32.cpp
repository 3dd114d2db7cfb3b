#include "hive/Marvin32.h"

namespace hive {

namespace {

uint32_t RotateLeft(uint32_t x, int n) { return x << n | x >> (32 - n); }

void Mix(uint32_t* low, uint32_t* high) {
    *high ^= *low;
    *low = RotateLeft(*low, 20) + *high;
    *high = RotateLeft(*high, 9) ^ *low;
    *low = RotateLeft(*low, 27) + *high;
    *high = RotateLeft(*high, 19);
}

}  // namespace

uint64_t Marvin32(ByteView data, uint64_t seed) {
    uint32_t low = static_cast<uint32_t>(seed), high = static_cast<uint32_t>(seed >> 32);
    const uint64_t whole = data.size() & ~uint64_t{3};
    uint32_t word = 0;
    for (uint64_t offset = 0; offset < whole; offset += 4) {
        data.U32(offset, &word);
        low += word;
        Mix(&low, &high);
    }
    // The last 0 to 3 bytes, closed by a 0x80 byte above them.
    uint32_t last = 0x80;
    for (uint64_t offset = data.size(); offset > whole; --offset) last = last << 8 | data.data()[offset - 1];
    low += last;
    Mix(&low, &high);
    Mix(&low, &high);
    return static_cast<uint64_t>(high) << 32 | low;
}

}  // namespace hive
