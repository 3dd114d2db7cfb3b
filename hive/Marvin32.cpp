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

// The bytes are read straight from the view, whose size bounds every read:
// the hash runs over every log entry, and a call per word would double its
// cost.
uint64_t Marvin32(ByteView data, uint64_t seed) {
    uint32_t low = static_cast<uint32_t>(seed), high = static_cast<uint32_t>(seed >> 32);
    const uint8_t* bytes = data.data();
    const size_t whole = data.size() & ~size_t{3};
    for (size_t offset = 0; offset < whole; offset += 4) {
        low += static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
               static_cast<uint32_t>(bytes[offset + 2]) << 16 | static_cast<uint32_t>(bytes[offset + 3]) << 24;
        Mix(&low, &high);
    }
    // The last 0 to 3 bytes, closed by a 0x80 byte above them.
    uint32_t last = 0x80;
    for (size_t offset = data.size(); offset > whole; --offset) last = last << 8 | bytes[offset - 1];
    low += last;
    Mix(&low, &high);
    Mix(&low, &high);
    return static_cast<uint64_t>(high) << 32 | low;
}

}  // namespace hive
