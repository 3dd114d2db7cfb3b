#pragma once
// The walk's one door to the registry and to the heap. The real doors call
// the ANSI or the wide registry functions; a hive door reads a hive file, and
// tests put a fake registry behind the same interface that fails any call on
// demand.
#include <windows.h>
#include <cstddef>
#include <memory>

// The figures of a key that the walk asks for. Lengths are in characters
// without the terminator, as the registry reports them.
struct RegKeyInfo {
    DWORD subKeys = 0;
    DWORD maxSubKeyLength = 0;
    DWORD values = 0;
    DWORD maxValueNameLength = 0;
    DWORD maxValueDataSize = 0;
    FILETIME lastWrite = {};  // when the key was last written, UTC
};

// What both doors share: closing keys and the heap.
class IRegistryHeap {
public:
    virtual ~IRegistryHeap() = default;
    virtual void CloseKey(HKEY key) = 0;
    // A heap block of the given size, or null with the last error set.
    virtual char* Allocate(size_t bytes) = 0;
    virtual void Free(char* block) = 0;
};

// The registry calls of one character width: char for the ANSI functions,
// wchar_t for the wide ones. Lengths are in characters, data sizes in bytes.
template <typename Char>
class IRegistryDoor : public IRegistryHeap {
public:
    // RegOpenKeyEx(parent, subKey or null, 0, KEY_READ, result).
    virtual LONG OpenKey(HKEY parent, const Char* subKey, HKEY* result) = 0;
    // RegQueryInfoKey asking for the figures of RegKeyInfo only.
    virtual LONG QueryInfo(HKEY key, RegKeyInfo* info) = 0;
    // RegEnumValue: nameLength and dataSize are capacities in, lengths out.
    virtual LONG EnumValue(HKEY key, DWORD index, Char* name, DWORD* nameLength,
                           DWORD* type, BYTE* data, DWORD* dataSize) = 0;
    // RegEnumKeyEx without class or last-write time.
    virtual LONG EnumKey(HKEY key, DWORD index, Char* name, DWORD* nameLength) = 0;
};

using IRegistryApi = IRegistryDoor<char>;
using IWideRegistryApi = IRegistryDoor<wchar_t>;

// The process's real registry and heap, through the ANSI or the wide calls.
IRegistryApi& Win32RegistryApi();
IWideRegistryApi& Win32WideRegistryApi();

// The doors of both widths that one engine walks through: the ANSI walk uses
// the narrow one, the wide walk (/U) the wide one. They outlive the engine.
struct RegistryDoors {
    IRegistryApi& narrow;
    IWideRegistryApi& wide;
    // A key that cannot be read lacks rights and joins the exclusion list
    // (the live registry); otherwise it is damage that the door tells itself.
    bool excludeUnreadable = true;
};

// A door whose heap blocks come from the process heap.
template <typename Char>
class ProcessHeapDoor : public IRegistryDoor<Char> {
public:
    char* Allocate(size_t bytes) override;
    void Free(char* block) override;
};

// The process's real registry in both widths.
inline RegistryDoors LiveRegistry() { return {Win32RegistryApi(), Win32WideRegistryApi()}; }

// True for HKEY_CLASSES_ROOT and the other predefined keys, which are never
// closed (opening one with no sub-key name hands back the same handle).
bool IsPredefinedKey(HKEY key);

// Owns one open key; closes it through the door that opened it.
class RegKey {
public:
    RegKey() = default;
    RegKey(IRegistryHeap& api, HKEY key) : m_api(&api), m_key(key) {}
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
    IRegistryHeap* m_api = nullptr;
    HKEY m_key = nullptr;
};

// Owns one heap block from the door's allocator.
class RegBuffer {
public:
    RegBuffer(IRegistryHeap& api, size_t bytes) : m_api(&api), m_data(api.Allocate(bytes)), m_size(bytes) {}
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
    IRegistryHeap* m_api;
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

// A buffer for the longest name that a key reports, in characters, for the
// ANSI calls.
inline size_t NameBufferSize(DWORD longestName) { return RegChars<char>::NameBytes(longestName); }

// The registry is live: between the walk's query of a key's figures and a
// read, another program may store a longer value or add a sub-key with a
// longer name, and the read answers ERROR_MORE_DATA. The figures are then
// queried again, the buffers grown to them and the same index read again,
// at most this many times, before the key counts as unreadable.
constexpr int kMoreDataRetries = 4;

// Reads the name of the sub-key at index into name with its full capacity,
// retrying on ERROR_MORE_DATA as above. Answers the last read's code, the
// failed query's code, or ERROR_NOT_ENOUGH_MEMORY when name could not grow.
template <typename Char>
LONG ReadSubKeyName(IRegistryDoor<Char>& api, HKEY key, DWORD index, RegBuffer& name);

// The buffers of one key's value pass, sized once from the key's own figures
// so that every value is read in one call: the name, the data (one byte
// beyond what the registry may fill, so that a terminator stored after the
// data always fits) and a scratch buffer as large as either. Allocated in
// that order; test with operator bool before use.
template <typename Char>
class BasicValueBuffers {
public:
    BasicValueBuffers(IRegistryDoor<Char>& api, const RegKeyInfo& info);
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

    IRegistryDoor<Char>& m_api;
};

using ValueBuffers = BasicValueBuffers<char>;
