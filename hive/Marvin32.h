#pragma once
// Marvin32, the keyed 64-bit hash that guards each entry of a new-format
// transaction log. Platform-free like the rest of hive/.
#include <cstdint>

#include "hive/Hive.h"

namespace hive {

// The 64-bit Marvin32 of data under seed: the low half of the result is the
// first state word, the high half the second (the order in which the hash's
// eight bytes are stored, little-endian).
uint64_t Marvin32(ByteView data, uint64_t seed);

}  // namespace hive
