// What a candidate record in free space must be to count as one.
#include "hive/DeletedRecords.h"
#include "hive/HiveFormat.h"

namespace hive {

namespace {

// FILETIME ticks of 1970-01-01 and 2100-01-01: a time outside is no
// timestamp Windows wrote.
constexpr uint64_t kEarliestTime = 116444736000000000ull;
constexpr uint64_t kLatestTime = 4102444800ull * 10000000ull + kEarliestTime;
// The registry's own limits on names, in characters.
constexpr uint32_t kMaxKeyNameUnits = 255;
constexpr uint32_t kMaxValueNameUnits = 16383;
// A key's counts: each sub-key and value takes a cell of at least this many
// bytes, so a count above bins / 8 cannot be true.
constexpr uint32_t kSmallestCell = 8;

// The size the candidate's cell claims: its size field, of either sign
// (a record named by a list's slack may have been freed or not).
uint32_t RecordCellSize(ByteView cell) {
    uint32_t raw = 0;
    if (!cell.U32(0, &raw)) return 0;
    const int64_t size = static_cast<int32_t>(raw);
    return static_cast<uint32_t>(size < 0 ? -size : size);
}

// An offset that names a cell: aligned and inside the bins.
bool IsCellOffset(uint32_t offset, uint32_t binsSize) {
    return offset % kCellAlignment == 0 && offset < binsSize;
}

// A list offset is only used when its count is not zero.
bool IsListOffset(uint32_t count, uint32_t offset, uint32_t binsSize) {
    return count == 0 || IsCellOffset(offset, binsSize);
}

// The record's data: the size field must claim a whole cell that holds
// fixed bytes of fields and the name, and that fits the free space.
bool RecordData(ByteView cell, uint32_t fixed, uint32_t nameLengthAt, uint16_t signature, ByteView* data,
                uint16_t* nameLength) {
    const uint32_t size = RecordCellSize(cell);
    uint16_t stored = 0;
    if (size < 8 || size % kCellAlignment != 0 || !cell.Sub(4, size - 4, data) || !data->U16(0, &stored) ||
        stored != signature || !data->U16(nameLengthAt, nameLength))
        return false;
    return data->Has(0, uint64_t{fixed} + *nameLength);
}

}  // namespace

bool CheckKeyRecord(ByteView cell, uint32_t binsSize, KeyNode* key, uint32_t* parent) {
    ByteView data;
    uint16_t nameLength = 0;
    KeyNode node;
    uint32_t parentCell = kNoCell;
    if (!RecordData(cell, kKeyNameOffset, kKeyNameLengthAt, Signature('n', 'k'), &data, &nameLength)) return false;
    if (!data.U16(2, &node.flags) || !data.U64(4, &node.lastWrite) || !data.U32(kKeyParentAt, &parentCell) ||
        !data.U32(20, &node.subKeyCount) || !data.U32(28, &node.subKeyList) || !data.U32(36, &node.valueCount) ||
        !data.U32(40, &node.valueList) || !data.Sub(kKeyNameOffset, nameLength, &node.name.bytes))
        return false;
    node.name.compressed = (node.flags & kKeyNameCompressed) != 0;
    const uint32_t units = static_cast<uint32_t>(node.name.Units());
    if (units == 0 || units > kMaxKeyNameUnits || (!node.name.compressed && nameLength % 2 != 0) ||
        node.lastWrite < kEarliestTime || node.lastWrite > kLatestTime || !IsCellOffset(parentCell, binsSize) ||
        node.subKeyCount > binsSize / kSmallestCell || node.valueCount > binsSize / kSmallestCell ||
        !IsListOffset(node.subKeyCount, node.subKeyList, binsSize) ||
        !IsListOffset(node.valueCount, node.valueList, binsSize))
        return false;
    *key = node;
    *parent = parentCell;
    return true;
}

bool CheckValueRecord(ByteView cell, uint32_t binsSize, ValueNode* value) {
    ByteView data;
    uint16_t nameLength = 0, flags = 0;
    uint32_t size = 0;
    ValueNode node;
    if (!RecordData(cell, kValueNameOffset, kValueNameLengthAt, Signature('v', 'k'), &data, &nameLength) ||
        !data.U32(4, &size) || !data.U32(8, &node.dataOffset) || !data.U32(12, &node.type) ||
        !data.U16(16, &flags) || !data.Sub(kValueNameOffset, nameLength, &node.name.bytes))
        return false;
    node.name.compressed = (flags & kValueNameCompressed) != 0;
    node.inlineData = (size & kInlineDataBit) != 0;
    node.dataSize = size & ~kInlineDataBit;
    if (node.name.Units() > kMaxValueNameUnits || (!node.name.compressed && nameLength % 2 != 0)) return false;
    if (node.inlineData ? node.dataSize > kInlineDataMax
                        : node.dataSize > binsSize || (node.dataSize > 0 && !IsCellOffset(node.dataOffset, binsSize)))
        return false;
    *value = node;
    return true;
}

}  // namespace hive
