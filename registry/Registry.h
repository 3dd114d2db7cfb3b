#pragma once
// The walk's one seam to a registry. The live registry answers through the
// ANSI or the wide registry functions, a hive registry reads hive files, and
// tests put a fake registry behind the same interface that fails any call on
// demand. A registry is also the walk's heap, so that tests can refuse
// memory too.
#include <windows.h>
#include <cstddef>

#include "registry/RecordMark.h"

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

// What a registry of either width offers: closing keys and the heap.
class IRegistryCommon {
public:
    virtual ~IRegistryCommon() = default;
    virtual void CloseKey(HKEY key) = 0;
    // A heap block of the given size, or null with the last error set.
    virtual char* Allocate(size_t bytes) = 0;
    virtual void Free(char* block) = 0;
    // The mark of an open key, and of its value at index (as EnumValue
    // enumerates them): none, but for records a hive registry recovered.
    virtual RecordMark KeyMark(HKEY) { return {}; }
    virtual RecordMark ValueMark(HKEY, DWORD) { return {}; }
};

// The registry calls of one character width: char for the ANSI functions,
// wchar_t for the wide ones. Lengths are in characters, data sizes in bytes.
template <typename Char>
class IRegistry : public IRegistryCommon {
public:
    // RegOpenKeyEx(parent, subKey or null, 0, KEY_READ, result), with
    // subKey counted: length characters, then a terminator. The native
    // registry's names are counted and may hold a NUL, which the Win32 calls
    // would cut; such a name opens as one name below parent.
    virtual LONG OpenKey(HKEY parent, const Char* subKey, size_t length, HKEY* result) = 0;
    // RegQueryInfoKey asking for the figures of RegKeyInfo only.
    virtual LONG QueryInfo(HKEY key, RegKeyInfo* info) = 0;
    // RegEnumValue: nameLength and dataSize are capacities in, lengths out.
    virtual LONG EnumValue(HKEY key, DWORD index, Char* name, DWORD* nameLength,
                           DWORD* type, BYTE* data, DWORD* dataSize) = 0;
    // RegEnumKeyEx without class or last-write time.
    virtual LONG EnumKey(HKEY key, DWORD index, Char* name, DWORD* nameLength) = 0;
};

using INarrowRegistry = IRegistry<char>;
using IWideRegistry = IRegistry<wchar_t>;

// One registry in both widths, as one engine walks it: the ANSI walk uses
// the narrow side, the wide walk (/U) the wide one. Both outlive the engine.
struct RegistryPair {
    INarrowRegistry& narrow;
    IWideRegistry& wide;
    // A key that cannot be read lacks rights and joins the exclusion list
    // (the live registry); otherwise it is damage that the registry tells
    // itself.
    bool excludeUnreadable = true;
};
