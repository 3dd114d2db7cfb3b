#pragma once
// The reader's private knowledge of the format: sizes, signatures and the
// way damage is worded. Only hive/*.cpp include this.
#include "hive/Hive.h"

namespace hive {

constexpr uint32_t kBinSignature = 0x6E696268;   // "hbin"
constexpr uint32_t kBinAlignment = 4096;
constexpr uint32_t kBinHeaderSize = 32;
// Bins start at multiples of 4096, their headers take 32 bytes and cell
// sizes are multiples of 8: every cell starts at a multiple of 8.
constexpr uint32_t kCellAlignment = 8;
// Big data ("db") carries this many bytes in every segment but the last.
constexpr uint32_t kBigDataSegment = 16344;
constexpr uint32_t kInlineDataMax = 4;
constexpr uint32_t kInlineDataBit = 0x80000000;
// Where a node's name and its length (u16) stand in its data.
constexpr uint32_t kKeyNameOffset = 76;
constexpr uint32_t kKeyNameLengthAt = 72;
constexpr uint32_t kValueNameOffset = 20;
constexpr uint32_t kValueNameLengthAt = 2;
// Where a key node's parent offset stands in its data.
constexpr uint32_t kKeyParentAt = 16;
// A key node's cell with an empty name: its size field and fixed fields.
constexpr uint32_t kSmallestKeyCell = 80;
constexpr uint16_t kKeyNameCompressed = 0x0020;
constexpr uint16_t kValueNameCompressed = 0x0001;

// The two-letter signature at the start of a cell's data.
constexpr uint16_t Signature(char a, char b) {
    return static_cast<uint16_t>(static_cast<uint8_t>(a) | static_cast<uint8_t>(b) << 8);
}

// Appends one Damage at cell's file offset, worded "what problem"
// ("subkey list count larger than its cell").
inline void AddDamage(std::vector<Damage>* damage, uint32_t cell, const char* what, const char* problem) {
    damage->push_back(Damage{Hive::FileOffset(cell), std::string(what) + " " + problem});
}

}  // namespace hive
