#pragma once
// The walk's reads of names and values into buffers sized from a key's
// figures, read again when the key grew meanwhile.
#include "engine/RegBuffer.h"

// The registry is live: between the walk's query of a key's figures and a
// read, another program may store a longer value or add a sub-key with a
// longer name, and the read answers ERROR_MORE_DATA. The figures are then
// queried again, the buffers grown to them and the same index read again,
// at most this many times, before the key counts as unreadable.
constexpr int kMoreDataRetries = 4;

// Reads the name of the sub-key at index into name with its full capacity,
// retrying on ERROR_MORE_DATA as above; *length is its length in characters
// (a name may hold a NUL). Answers the last read's code, the failed query's
// code, or ERROR_NOT_ENOUGH_MEMORY when name could not grow.
template <typename Char>
LONG ReadSubKeyName(IRegistry<Char>& registry, HKEY key, DWORD index, RegBuffer& name, DWORD* length);

// The buffers of one key's value pass, sized once from the key's own figures
// so that every value is read in one call: the name, the data (one byte
// beyond what the registry may fill, so that a terminator stored after the
// data always fits) and a scratch buffer as large as either. Allocated in
// that order; test with operator bool before use.
template <typename Char>
class BasicValueBuffers {
public:
    BasicValueBuffers(IRegistry<Char>& registry, const RegKeyInfo& info);
    explicit operator bool() const { return name && data && scratch; }

    // Reads the value at index with the full capacities, retrying on
    // ERROR_MORE_DATA like ReadSubKeyName. On success the outputs describe it
    // and the data is terminated after its last byte; after a failure the
    // buffers' contents are unspecified.
    LONG Read(HKEY key, DWORD index, DWORD* nameLength, DWORD* type, DWORD* dataSize);

    Char* Name() const { return reinterpret_cast<Char*>(name.get()); }
    Char* Data() const { return reinterpret_cast<Char*>(data.get()); }
    Char* Scratch() const { return reinterpret_cast<Char*>(scratch.get()); }
    // The scratch buffer's capacity in characters.
    size_t ScratchCount() const { return scratch.size() / sizeof(Char); }

    RegBuffer name;
    RegBuffer data;
    RegBuffer scratch;

private:
    LONG ReadOnce(HKEY key, DWORD index, DWORD* nameLength, DWORD* type, DWORD* dataSize);
    bool Fit(const RegKeyInfo& info);

    IRegistry<Char>& m_registry;
};

using ValueBuffers = BasicValueBuffers<char>;
