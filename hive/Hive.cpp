// The base block, the bins and the two kinds of node.
#include "hive/BaseBlockView.h"
#include "hive/HiveFormat.h"

namespace hive {

namespace {

// Reads the base block's fields; false with *reason when they make no hive.
bool ReadBaseBlock(ByteView file, BaseBlock* base, std::string* reason) {
    if (!file.Has(0, kBinsStart)) {
        *reason = "the file is too short to be a hive";
        return false;
    }
    const std::optional<BaseBlockView> view = BaseBlockView::Of(file);
    if (!view) {
        *reason = "no regf signature";
        return false;
    }
    base->major = view->Major();
    base->minor = view->Minor();
    base->rootCell = view->RootCell();
    base->dirty = view->Dirty();
    if (base->major != 1 || base->minor < 3 || base->minor > 6) {
        *reason = "unsupported version " + std::to_string(base->major) + "." + std::to_string(base->minor);
        return false;
    }
    if (view->FileType() != BaseBlockView::kPrimaryFile) {
        *reason = "a transaction log, not a hive";
        return false;
    }
    return true;
}

}  // namespace

namespace {

// The size of the bin whose header stands at at, or 0 when there is no
// sound one: its signature, its own offset, and a size the file holds.
uint32_t SoundBinSize(ByteView all, uint64_t at, uint64_t limit) {
    uint32_t signature = 0, self = 0, size = 0;
    if (at < limit && all.U32(at, &signature) && signature == kBinSignature && all.U32(at + 4, &self) &&
        self == at && all.U32(at + 8, &size) && size >= kBinAlignment && size % kBinAlignment == 0 &&
        size <= limit - at)
        return size;
    return 0;
}

}  // namespace

// Whole bins, one after another, as far as each header is sound and the
// file holds the bin: a truncated or partly overwritten file still reads up
// to there. With resync, each page of a break holds no cell, and the bins
// go on at the next sound header. The base block's bins size is not
// trusted.
bool Hive::TakeBins(bool resync) {
    ByteView all;
    if (!m_file.Sub(kBinsStart, m_file.size() - kBinsStart, &all)) return false;
    const uint64_t limit = all.size() < 0xFFFFFFFFu ? all.size() / kBinAlignment * kBinAlignment : 0xFFFFF000u;
    uint64_t at = 0, end = 0;
    while (at < limit) {
        const uint32_t size = SoundBinSize(all, at, limit);
        if (size == 0 && !resync) break;
        const uint64_t next = at + (size ? size : kBinAlignment);
        const PageBin bin{static_cast<uint32_t>(size ? at + kBinHeaderSize : next), static_cast<uint32_t>(next)};
        m_pages.insert(m_pages.end(), (next - at) / kBinAlignment, bin);
        if (size) end = next;
        at = next;
    }
    m_pages.resize(end / kBinAlignment);
    return all.Sub(0, end, &m_bins) && !m_bins.empty();
}

bool Hive::Open(ByteView file, std::string* reason, bool resync) {
    *this = Hive();
    m_file = file;
    if (!ReadBaseBlock(file, &m_base, reason)) return false;
    if (!TakeBins(resync)) {
        *reason = "the file holds no hive bins";
        return false;
    }
    std::vector<Damage> damage;
    KeyNode root;
    if (m_base.rootCell >= m_bins.size()) {
        *reason = "the root key lies outside the hive bins";
        return false;
    }
    if (!ReadKey(m_base.rootCell, &root, &damage)) {
        *reason = "the root cell holds no readable key";
        return false;
    }
    return true;
}

const char* Hive::CellProblem(uint32_t cell, ByteView* data, bool* free) const {
    if (cell >= m_bins.size() || cell < m_pages[cell / kBinAlignment].first) return "outside the hive bins";
    if (cell % kCellAlignment != 0) return "not at the start of a cell";
    uint32_t raw = 0;
    const int64_t size = m_bins.U32(cell, &raw) ? static_cast<int32_t>(raw) : 0;
    const int64_t length = size < 0 ? -size : size;
    if (length < 8 || length % 8 != 0 || cell + length > m_pages[cell / kBinAlignment].end ||
        !m_bins.Sub(cell + 4, length - 4, data))
        return "with a cell size that does not fit its bin";
    *free = size > 0;
    return nullptr;
}

bool Hive::CellData(uint32_t cell, const char* what, ByteView* data, std::vector<Damage>* damage) const {
    ByteView cellData;
    bool free = false;
    const char* problem = CellProblem(cell, &cellData, &free);
    if (!problem && free) problem = "in a free cell";
    if (problem) {
        AddDamage(damage, cell, what, problem);
        return false;
    }
    *data = cellData;
    return true;
}

// The data of a node cell whose name of nameLength bytes starts at
// nameOffset: checked for its cell, its fixed fields, its signature and the
// name's length before anything else is read.
bool Hive::NodeData(uint32_t cell, const char* what, uint16_t signature, uint32_t nameOffset,
                    uint32_t nameLengthAt, ByteView* data, std::vector<Damage>* damage) const {
    uint16_t stored = 0, nameLength = 0;
    ByteView cellData;
    if (!CellData(cell, what, &cellData, damage)) return false;
    if (!cellData.Has(0, nameOffset) || !cellData.U16(0, &stored) || !cellData.U16(nameLengthAt, &nameLength)) {
        AddDamage(damage, cell, what, "too small for its fields");
        return false;
    }
    if (stored != signature) {
        AddDamage(damage, cell, what, "of the wrong kind");
        return false;
    }
    if (!cellData.Sub(0, uint64_t{nameOffset} + nameLength, data)) {
        AddDamage(damage, cell, what, "name longer than its cell");
        return false;
    }
    return true;
}

// NodeData checked that the fixed fields lie inside, so the reads below
// fail only if that check were wrong.
bool Hive::ReadKey(uint32_t cell, KeyNode* key, std::vector<Damage>* damage) const {
    ByteView data;
    if (!NodeData(cell, "key node", Signature('n', 'k'), kKeyNameOffset, kKeyNameLengthAt, &data, damage))
        return false;
    key->cell = cell;
    if (!data.U16(2, &key->flags) || !data.U64(4, &key->lastWrite) || !data.U32(20, &key->subKeyCount) ||
        !data.U32(28, &key->subKeyList) || !data.U32(36, &key->valueCount) || !data.U32(40, &key->valueList) ||
        !data.Sub(kKeyNameOffset, data.size() - kKeyNameOffset, &key->name.bytes)) {
        AddDamage(damage, cell, "key node", "too small for its fields");
        return false;
    }
    key->name.compressed = (key->flags & kKeyNameCompressed) != 0;
    return true;
}

bool Hive::ReadValue(uint32_t cell, ValueNode* value, std::vector<Damage>* damage) const {
    ByteView data;
    if (!NodeData(cell, "value node", Signature('v', 'k'), kValueNameOffset, kValueNameLengthAt, &data, damage))
        return false;
    uint32_t size = 0;
    uint16_t flags = 0;
    value->cell = cell;
    if (!data.U32(4, &size) || !data.U32(8, &value->dataOffset) || !data.U32(12, &value->type) ||
        !data.U16(16, &flags) || !data.Sub(kValueNameOffset, data.size() - kValueNameOffset, &value->name.bytes)) {
        AddDamage(damage, cell, "value node", "too small for its fields");
        return false;
    }
    value->inlineData = (size & kInlineDataBit) != 0;
    value->dataSize = size & ~kInlineDataBit;
    value->name.compressed = (flags & kValueNameCompressed) != 0;
    return true;
}

}  // namespace hive
