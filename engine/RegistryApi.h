#pragma once
// The walk's one door to the registry and to the heap. The real door calls
// the ANSI registry functions; tests put a fake registry behind the same
// interface that fails any call on demand.
#include <windows.h>
#include <cstddef>
#include <memory>

// The six figures of a key that the walk asks for. Lengths are in characters
// without the terminator, as the registry reports them.
struct RegKeyInfo {
    DWORD subKeys = 0;
    DWORD maxSubKeyLength = 0;
    DWORD values = 0;
    DWORD maxValueNameLength = 0;
    DWORD maxValueDataSize = 0;
};

class IRegistryApi {
public:
    virtual ~IRegistryApi() = default;
    // RegOpenKeyExA(parent, subKey or null, 0, KEY_READ, result).
    virtual LONG OpenKey(HKEY parent, const char* subKey, HKEY* result) = 0;
    // RegQueryInfoKeyA asking for the six figures only.
    virtual LONG QueryInfo(HKEY key, RegKeyInfo* info) = 0;
    // RegEnumValueA: nameLength and dataSize are capacities in, lengths out.
    virtual LONG EnumValue(HKEY key, DWORD index, char* name, DWORD* nameLength,
                           DWORD* type, BYTE* data, DWORD* dataSize) = 0;
    // RegEnumKeyExA without class or last-write time.
    virtual LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength) = 0;
    virtual void CloseKey(HKEY key) = 0;
    // A heap block of the given size, or null with the last error set.
    virtual char* Allocate(size_t bytes) = 0;
    virtual void Free(char* block) = 0;
};

// The process's real registry and heap.
IRegistryApi& Win32RegistryApi();

// True for HKEY_CLASSES_ROOT and the other predefined keys, which are never
// closed (opening one with no sub-key name hands back the same handle).
bool IsPredefinedKey(HKEY key);

// Owns one open key; closes it through the door that opened it.
class RegKey {
public:
    RegKey() = default;
    RegKey(IRegistryApi& api, HKEY key) : m_api(&api), m_key(key) {}
    ~RegKey() { reset(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept : m_api(other.m_api), m_key(other.release()) {}
    RegKey& operator=(RegKey&& other) noexcept;

    explicit operator bool() const { return m_key != nullptr; }
    HKEY get() const { return m_key; }
    HKEY release() { HKEY key = m_key; m_key = nullptr; return key; }
    void reset();

private:
    IRegistryApi* m_api = nullptr;
    HKEY m_key = nullptr;
};

// Owns one heap block from the door's allocator.
class RegBuffer {
public:
    RegBuffer(IRegistryApi& api, size_t bytes) : m_api(&api), m_data(api.Allocate(bytes)), m_size(bytes) {}
    ~RegBuffer() { if (m_data) m_api->Free(m_data); }
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
    IRegistryApi* m_api;
    char* m_data;
    size_t m_size;
};

// A buffer for the longest name that a key reports, in characters: in a
// double-byte code page a name of N characters takes up to 2N bytes.
inline size_t NameBufferSize(DWORD longestName) { return 2 * static_cast<size_t>(longestName) + 1; }

// The registry is live: between the walk's query of a key's figures and a
// read, another program may store a longer value or add a sub-key with a
// longer name, and the read answers ERROR_MORE_DATA. The figures are then
// queried again, the buffers grown to them and the same index read again,
// at most this many times, before the key counts as unreadable.
constexpr int kMoreDataRetries = 4;

// Reads the name of the sub-key at index into name with its full capacity,
// retrying on ERROR_MORE_DATA as above. Answers the last read's code, the
// failed query's code, or ERROR_NOT_ENOUGH_MEMORY when name could not grow.
LONG ReadSubKeyName(IRegistryApi& api, HKEY key, DWORD index, RegBuffer& name);

// The buffers of one key's value pass, sized once from the key's own figures
// so that every value is read in one call: the name, the data (one byte
// beyond what the registry may fill, so that a terminator stored after the
// data always fits) and a scratch buffer as large as either. Allocated in
// that order; test with operator bool before use.
class ValueBuffers {
public:
    ValueBuffers(IRegistryApi& api, const RegKeyInfo& info);
    explicit operator bool() const { return name && data && scratch; }

    // Reads the value at index with the full capacities, retrying on
    // ERROR_MORE_DATA like ReadSubKeyName. On success the outputs describe it
    // and the data is terminated after its last byte; after a failure the
    // buffers' contents are unspecified.
    LONG Read(HKEY key, DWORD index, DWORD* nameLength, DWORD* type, DWORD* dataSize);

    RegBuffer name;
    RegBuffer data;
    RegBuffer scratch;

private:
    LONG ReadOnce(HKEY key, DWORD index, DWORD* nameLength, DWORD* type, DWORD* dataSize);
    bool Fit(const RegKeyInfo& info);

    IRegistryApi& m_api;
};
