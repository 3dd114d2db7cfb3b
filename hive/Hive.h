#pragma once
// A read-only reader of registry hive files ("regf"), for bytes that nobody
// vouches for: a copied, truncated or damaged file. It uses no platform
// headers, so that it builds for Windows and, for the fuzzer, for Linux.
// Every offset and length is checked before use, every loop is bounded, and
// what cannot be read is returned as Damage with its file offset while the
// rest stays readable. Offsets named "cell" are relative to the hive bins
// (file offset = 4096 + cell), as the format stores them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "hive/ByteView.h"
#include "hive/StoredName.h"

namespace hive {

// The format's "no cell".
constexpr uint32_t kNoCell = 0xFFFFFFFF;
// Where the hive bins start in the file.
constexpr uint64_t kBinsStart = 4096;

// One damaged structure: what is wrong, and where it stands in the file.
struct Damage {
    uint64_t fileOffset = 0;
    std::string what;  // e.g. "subkey list count larger than its cell"
};

// What the reader takes from the base block.
struct BaseBlock {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t rootCell = kNoCell;
    // The checksum is wrong or the sequence numbers differ: recent changes
    // may exist only in the transaction logs.
    bool dirty = false;
};

// A key node ("nk").
struct KeyNode {
    uint32_t cell = kNoCell;
    uint16_t flags = 0;
    uint64_t lastWrite = 0;  // FILETIME ticks, UTC
    uint32_t subKeyCount = 0;
    uint32_t subKeyList = kNoCell;
    uint32_t valueCount = 0;
    uint32_t valueList = kNoCell;
    StoredName name;
};

// A value ("vk").
struct ValueNode {
    uint32_t cell = kNoCell;
    StoredName name;  // empty: the key's default value
    uint32_t type = 0;
    uint32_t dataSize = 0;     // bytes, without the inline bit
    bool inlineData = false;   // the data (at most 4 bytes) is the offset field itself
    uint32_t dataOffset = kNoCell;
};

class Hive {
public:
    // Checks the base block (signature, version 1.3 to 1.6, checksum and
    // sequence numbers) and that the root cell is a key node inside the
    // bins. The bins are taken as far as the file holds whole ones; with
    // resync, past a break as well, from the next sound bin header at a
    // multiple of 4096 on (kestrin-find /X). False, with *reason a short
    // sentence, when the bytes are no usable hive. The bytes must outlive
    // the Hive.
    [[nodiscard]] bool Open(ByteView file, std::string* reason, bool resync = false);

    const BaseBlock& Base() const { return m_base; }
    uint32_t RootCell() const { return m_base.rootCell; }
    // How many bytes of hive bins were taken: every cell lies below this,
    // so a walk can keep one bit per 8 bytes to see each key only once.
    uint32_t BinsSize() const { return static_cast<uint32_t>(m_bins.size()); }
    static uint64_t FileOffset(uint32_t cell) { return kBinsStart + cell; }

    // Reads the key node at cell. False, with one Damage appended, when the
    // cell lies outside the bins, is not allocated, is too small for its
    // fields, is no "nk", or has a name longer than the cell.
    [[nodiscard]] bool ReadKey(uint32_t cell, KeyNode* key, std::vector<Damage>* damage) const;

    // Appends the cells of key's sub-key nodes in file order: an "li", "lf"
    // or "lh" list, or an "ri" over such lists. What can be read is
    // appended; each damaged list (outside the bins, wrong kind, an "ri"
    // inside an "ri", a count larger than its cell, an "ri" whose leaves
    // name more keys than the bins can hold) adds one Damage. The
    // nodes themselves are not read here; whether one is an ancestor of key
    // is for the caller, who knows the path.
    void ReadSubKeyCells(const KeyNode& key, std::vector<uint32_t>* cells, std::vector<Damage>* damage) const;

    // Appends the cells of key's values in file order; damage as above.
    void ReadValueCells(const KeyNode& key, std::vector<uint32_t>* cells, std::vector<Damage>* damage) const;

    // Reads the value node at cell; damage as for ReadKey.
    [[nodiscard]] bool ReadValue(uint32_t cell, ValueNode* value, std::vector<Damage>* damage) const;

    // The value's data, exactly value.dataSize bytes: inline, in one cell, or
    // in big-data segments ("db", version 1.4 and later, over 16344 bytes;
    // such a value whose cell is no "db" record is read as a plain cell).
    // *data views the file, or scratch when the data had to be gathered from
    // segments. False, with one Damage appended and *data empty, when the
    // data cannot be read whole, or when big data would be larger than the
    // bins (segments named more than once).
    [[nodiscard]] bool ReadValueData(const ValueNode& value, std::vector<uint8_t>* scratch, ByteView* data,
                                     std::vector<Damage>* damage) const;

    // What the scan of free space (DeletedRecords) reads: the bins as taken,
    // and the bytes of the file after them.
    ByteView Bins() const { return m_bins; }
    ByteView AfterBins() const;
    // The cells of the bin that holds cell lie in [*first, *end); false when
    // cell lies outside the bins.
    [[nodiscard]] bool BinOf(uint32_t cell, uint32_t* first, uint32_t* end) const;
    // The data of the free cell at cell, when it is one and fits its bin.
    [[nodiscard]] bool FreeCellData(uint32_t cell, ByteView* data) const;
    // Appends the entries that key's value list holds behind its count,
    // up to the end of its cell: the offsets of values deleted from it.
    void ReadValueListSlack(const KeyNode& key, std::vector<uint32_t>* cells) const;

private:
    // The bin that holds each 4096-byte page of the bins, as offsets
    // relative to the bins: cells of a page lie in [first, end).
    struct PageBin {
        uint32_t first = 0;  // the bin's first cell, after its header
        uint32_t end = 0;
    };

    // Takes the bins; false when the file holds none.
    [[nodiscard]] bool TakeBins(bool resync);
    // Null when cell starts a cell inside the bins whose size fits its bin:
    // its data (after its size field) then in *data, *free whether it is
    // free. Otherwise what is wrong, as Damage words it.
    const char* CellProblem(uint32_t cell, ByteView* data, bool* free) const;
    // The data of the allocated cell at cell (after its size field). False,
    // with one Damage naming what ("key node", ...), when the cell lies
    // outside the bins, its size does not fit its bin, or it is free.
    [[nodiscard]] bool CellData(uint32_t cell, const char* what, ByteView* data, std::vector<Damage>* damage) const;
    // A node's data up to the end of its name, after all checks.
    [[nodiscard]] bool NodeData(uint32_t cell, const char* what, uint16_t signature, uint32_t nameOffset,
                                uint32_t nameLengthAt, ByteView* data, std::vector<Damage>* damage) const;
    // Appends the entries of one "li", "lf" or "lh" list, or of an "ri"
    // when insideRi is false.
    void ReadList(uint32_t cell, bool insideRi, std::vector<uint32_t>* cells, std::vector<Damage>* damage) const;
    [[nodiscard]] bool ReadBigData(const ValueNode& value, ByteView record, std::vector<uint8_t>* scratch,
                                   ByteView* data, std::vector<Damage>* damage) const;

    ByteView m_file;
    ByteView m_bins;
    BaseBlock m_base;
    std::vector<PageBin> m_pages;
};

}  // namespace hive
