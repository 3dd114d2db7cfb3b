#pragma once
// The walk's buffers for names and data, taken from the registry's heap.
#include "registry/Registry.h"

// Owns one heap block from the registry's allocator.
class RegBuffer {
public:
    RegBuffer(IRegistryCommon& registry, size_t bytes)
        : m_registry(&registry), m_data(registry.Allocate(bytes)), m_size(bytes) {}
    ~RegBuffer() { if (m_data) m_registry->Free(m_data); }
    RegBuffer(const RegBuffer&) = delete;
    RegBuffer& operator=(const RegBuffer&) = delete;

    explicit operator bool() const { return m_data != nullptr; }
    char* get() const { return m_data; }
    size_t size() const { return m_size; }
    // Makes the block at least `bytes` long; its contents are not kept. False,
    // with the old block kept, when the larger one cannot be allocated.
    bool Grow(size_t bytes);
    // What a registry call may fill, keeping the last `reserve` bytes back;
    // never more than a 32-bit count can say.
    DWORD Capacity(size_t reserve = 0) const {
        size_t usable = m_size > reserve ? m_size - reserve : 0;
        return usable < MAXDWORD ? static_cast<DWORD>(usable) : MAXDWORD;
    }

private:
    IRegistryCommon* m_registry;
    char* m_data;
    size_t m_size;
};

// How a name of each width fills a buffer. In a double-byte code page a
// name of N characters takes up to 2N bytes; a wide name takes two bytes a
// character. Data is read into its buffer with `dataReserve` bytes kept
// back and zeroed after the last byte read, so that string data always ends
// in a terminator of its width, even after an odd byte count.
template <typename Char>
struct RegChars;
template <>
struct RegChars<char> {
    static size_t NameBytes(DWORD longestName) { return 2 * static_cast<size_t>(longestName) + 1; }
    static DWORD Count(DWORD bytes) { return bytes; }
    static constexpr size_t dataReserve = 1;
};
template <>
struct RegChars<wchar_t> {
    static size_t NameBytes(DWORD longestName) { return (static_cast<size_t>(longestName) + 1) * sizeof(wchar_t); }
    static DWORD Count(DWORD bytes) { return bytes / sizeof(wchar_t); }
    static constexpr size_t dataReserve = 3;
};
