#pragma once
// The registry of hive files in one width, over a HiveKeyStore. The wide
// registry hands out the hive's UTF-16 as it is; the narrow one converts
// names and string data as RegEnumKeyExA and RegEnumValueA do, other data
// stays raw.
#include <string>
#include <type_traits>

#include "hiveregistry/HiveKeyStore.h"
#include "registry/ProcessHeapRegistry.h"

template <typename Char>
class HiveRegistry final : public ProcessHeapRegistry<Char> {
public:
    // store outlives the registry.
    explicit HiveRegistry(HiveKeyStore& store) : m_store(store) {}

    LONG OpenKey(HKEY parent, const Char* subKey, size_t length, HKEY* result) override;
    LONG QueryInfo(HKEY key, RegKeyInfo* info) override { return m_store.Query(key, info); }
    LONG EnumValue(HKEY key, DWORD index, Char* name, DWORD* nameLength, DWORD* type, BYTE* data,
                   DWORD* dataSize) override;
    LONG EnumKey(HKEY key, DWORD index, Char* name, DWORD* nameLength) override;
    void CloseKey(HKEY key) override { m_store.Close(key); }
    RecordMark KeyMark(HKEY key) override { return m_store.KeyMark(key); }
    RecordMark ValueMark(HKEY key, DWORD index) override { return m_store.ValueMark(key, index); }

private:
    // Copies the stored name into name, whose capacity is *length
    // characters with the terminator; *length is then the name's length.
    LONG CopyName(const hive::StoredName& stored, Char* name, DWORD* length);
    LONG CopyData(DWORD type, hive::ByteView bytes, BYTE* data, DWORD* dataSize);

    // What only the narrow registry keeps: the name being opened as UTF-16,
    // and the sub-key name it handed out last with the key it was
    // enumerated under.
    struct NarrowMemory {
        std::wstring name;
        std::string lastName;
        HKEY lastParent = nullptr;
    };
    struct WideMemory {};

    HiveKeyStore& m_store;
    std::u16string m_units;
    std::conditional_t<std::is_same<Char, char>::value, NarrowMemory, WideMemory> m_memory;
};

// A store's registry in both widths, for the engine: keys that cannot be
// read in a hive are damage, and none joins the exclusion list.
class HiveRegistries {
public:
    explicit HiveRegistries(HiveKeyStore& store) : m_narrow(store), m_wide(store) {}
    RegistryPair Pair() { return {m_narrow, m_wide, false}; }

private:
    HiveRegistry<char> m_narrow;
    HiveRegistry<wchar_t> m_wide;
};
