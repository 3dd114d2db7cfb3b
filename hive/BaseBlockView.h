#pragma once
// The base block at the start of a hive or of a transaction log: its fields
// by name, over bytes that were checked once to hold them all.
#include <cstdint>
#include <optional>

#include "hive/ByteView.h"

namespace hive {

class BaseBlockView {
public:
    // The fields and their checksum; a log's base block is just this much,
    // a hive's is padded to 4096 bytes.
    static constexpr uint32_t kSize = 512;
    // Where each field stands; the writer of a replayed hive uses the same.
    static constexpr uint32_t kSignatureAt = 0;
    static constexpr uint32_t kPrimarySequenceAt = 4;
    static constexpr uint32_t kSecondarySequenceAt = 8;
    static constexpr uint32_t kMajorAt = 20;
    static constexpr uint32_t kMinorAt = 24;
    static constexpr uint32_t kFileTypeAt = 28;
    static constexpr uint32_t kRootCellAt = 36;
    static constexpr uint32_t kBinsSizeAt = 40;
    static constexpr uint32_t kChecksumAt = 508;
    // File types.
    static constexpr uint32_t kPrimaryFile = 0;
    static constexpr uint32_t kNewFormatLog = 6;

    // The base block at the start of bytes; none when they hold fewer than
    // kSize bytes or do not start with "regf".
    static std::optional<BaseBlockView> Of(ByteView bytes);

    uint32_t PrimarySequence() const { return Word<kPrimarySequenceAt>(); }
    uint32_t SecondarySequence() const { return Word<kSecondarySequenceAt>(); }
    uint32_t Major() const { return Word<kMajorAt>(); }
    uint32_t Minor() const { return Word<kMinorAt>(); }
    uint32_t FileType() const { return Word<kFileTypeAt>(); }
    uint32_t RootCell() const { return Word<kRootCellAt>(); }
    uint32_t BinsSize() const { return Word<kBinsSizeAt>(); }
    // What the checksum field should hold: the XOR of the 127 dwords before
    // it, with 0 and 0xFFFFFFFF moved aside.
    uint32_t Checksum() const;
    bool ChecksumOk() const { return Word<kChecksumAt>() == Checksum(); }
    // Recent changes may exist only in the transaction logs.
    bool Dirty() const { return !ChecksumOk() || PrimarySequence() != SecondarySequence(); }

private:
    explicit BaseBlockView(ByteView bytes) : m_bytes(bytes) {}
    // The dword at a fixed offset, which the compiler checks lies inside.
    template <uint32_t At>
    uint32_t Word() const {
        static_assert(At % 4 == 0 && At + 4 <= kSize, "a base block field lies outside it");
        return WordAt(At);
    }
    // The dword at a dword offset below kSize.
    uint32_t WordAt(uint32_t at) const;

    ByteView m_bytes;  // exactly kSize bytes
};

}  // namespace hive
