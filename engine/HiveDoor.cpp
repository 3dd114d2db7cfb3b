// The hive registry's doors: a key's figures, its sub-keys and values by
// index, and the two widths' forms of names and data. The wide door hands
// out the hive's UTF-16 as it is; the narrow one converts names and string
// data as RegEnumKeyExA and RegEnumValueA do, other data stays raw.
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "engine/HiveRegistry.h"
#include "engine/HiveText.h"

namespace {

constexpr char kNamedAgain[] = "subkey list names a key that a list names already";

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

const wchar_t* Units(const std::u16string& units) { return reinterpret_cast<const wchar_t*>(units.data()); }

// What only the narrow door keeps: the name being opened as UTF-16, and the
// sub-key name it handed out last with the key it was enumerated under.
struct NarrowMemory {
    std::wstring name;
    std::string lastName;
    HKEY lastParent = nullptr;
};
struct WideMemory {};

}  // namespace

void HiveRegistry::List(KeyState& state) {
    if (state.listed || state.at.mount == kAbove) return;
    state.listed = true;
    const uint64_t time = state.at.node.lastWrite;
    state.info.lastWrite = {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    // A key opened again lists the same sub-keys again; otherwise a key that
    // an earlier list named is not walked twice.
    HiveMount& mount = *m_mounts[state.at.mount];
    const size_t self = state.at.node.cell / 8;
    const bool again = mount.listed[self];
    mount.listed[self] = true;
    bool namedAgain = false;
    ForEachSubKey(state.at, [&](uint32_t cell, const hive::KeyNode& child) {
        if (!again && mount.named[cell / 8]) {
            namedAgain = true;
            return true;
        }
        mount.named[cell / 8] = true;
        state.subKeys.push_back(cell);
        state.info.maxSubKeyLength = std::max<DWORD>(state.info.maxSubKeyLength, child.name.Units());
        return true;
    });
    state.info.subKeys = static_cast<DWORD>(state.subKeys.size());
    if (namedAgain) Tell(state.at, {{hive::Hive::FileOffset(state.at.node.subKeyList), kNamedAgain}});
    ListValues(state);
}

// A value whose node or data cannot be read is told and left out here, so
// that the walk's indices only ever meet readable ones.
void HiveRegistry::ListValues(KeyState& state) {
    const hive::Hive& hive = m_mounts[state.at.mount]->hive;
    m_damage.clear();
    m_cells.clear();
    hive.ReadValueCells(state.at.node, &m_cells, &m_damage);
    for (uint32_t cell : m_cells) {
        hive::ValueNode value;
        hive::ByteView data;
        if (!hive.ReadValue(cell, &value, &m_damage) || !hive.ReadValueData(value, &m_scratch, &data, &m_damage))
            continue;
        state.values.push_back(cell);
        state.info.maxValueNameLength = std::max<DWORD>(state.info.maxValueNameLength, value.name.Units());
        state.info.maxValueDataSize = std::max<DWORD>(state.info.maxValueDataSize, value.dataSize);
    }
    state.info.values = static_cast<DWORD>(state.values.size());
    Tell(state.at, m_damage);
}

LONG HiveRegistry::Query(HKEY key, RegKeyInfo* info) {
    KeyState* state = State(key);
    if (!state) return ERROR_INVALID_HANDLE;
    List(*state);
    *info = state->info;
    return ERROR_SUCCESS;
}

LONG HiveRegistry::SubKey(HKEY key, DWORD index, hive::KeyNode* node) {
    KeyState* state = State(key);
    if (!state) return ERROR_INVALID_HANDLE;
    List(*state);
    if (index >= state->subKeys.size()) return ERROR_NO_MORE_ITEMS;
    std::vector<hive::Damage> damage;
    if (!m_mounts[state->at.mount]->hive.ReadKey(state->subKeys[index], node, &damage)) return ERROR_BADDB;
    state->lastSubKey = index;
    return ERROR_SUCCESS;
}

LONG HiveRegistry::Value(HKEY key, DWORD index, hive::ValueNode* value, hive::ByteView* data) {
    KeyState* state = State(key);
    if (!state) return ERROR_INVALID_HANDLE;
    List(*state);
    if (index >= state->values.size()) return ERROR_NO_MORE_ITEMS;
    const hive::Hive& hive = m_mounts[state->at.mount]->hive;
    std::vector<hive::Damage> damage;
    if (!hive.ReadValue(state->values[index], value, &damage) || !hive.ReadValueData(*value, &m_scratch, data, &damage))
        return ERROR_BADDB;
    return ERROR_SUCCESS;
}

template <typename Char>
class HiveDoor final : public ProcessHeapDoor<Char> {
public:
    explicit HiveDoor(HiveRegistry& registry) : m_registry(registry) {}

    LONG OpenKey(HKEY parent, const Char* subKey, HKEY* result) override;
    LONG QueryInfo(HKEY key, RegKeyInfo* info) override { return m_registry.Query(key, info); }
    LONG EnumValue(HKEY key, DWORD index, Char* name, DWORD* nameLength, DWORD* type, BYTE* data,
                   DWORD* dataSize) override;
    LONG EnumKey(HKEY key, DWORD index, Char* name, DWORD* nameLength) override;
    void CloseKey(HKEY key) override { m_registry.Close(key); }

private:
    // Copies the stored name into name, whose capacity is *length
    // characters with the terminator; *length is then the name's length.
    LONG CopyName(const hive::StoredName& stored, Char* name, DWORD* length);
    LONG CopyData(DWORD type, hive::ByteView bytes, BYTE* data, DWORD* dataSize);

    HiveRegistry& m_registry;
    std::u16string m_units;
    std::conditional_t<std::is_same<Char, char>::value, NarrowMemory, WideMemory> m_memory;
};

template <>
LONG HiveDoor<wchar_t>::OpenKey(HKEY parent, const wchar_t* subKey, HKEY* result) {
    return m_registry.Open(parent, subKey, subKey ? std::wcslen(subKey) : 0, result);
}

// RegOpenKeyExA takes the name through the code page; a name that lost
// characters there opens nothing, as in the live registry, and is told.
template <>
LONG HiveDoor<char>::OpenKey(HKEY parent, const char* subKey, HKEY* result) {
    FromAnsi(subKey ? subKey : "", &m_memory.name);
    LONG rc = m_registry.Open(parent, m_memory.name.c_str(), m_memory.name.size(), result);
    if (rc == ERROR_FILE_NOT_FOUND && parent == m_memory.lastParent && subKey && m_memory.lastName == subKey)
        m_registry.TellUnspellable(parent);
    return rc;
}

template <>
LONG HiveDoor<wchar_t>::CopyName(const hive::StoredName& stored, wchar_t* name, DWORD* length) {
    m_units.clear();
    stored.AppendUtf16(&m_units);
    if (m_units.size() >= *length) return ERROR_MORE_DATA;
    std::copy(m_units.begin(), m_units.end(), name);
    name[m_units.size()] = L'\0';
    *length = static_cast<DWORD>(m_units.size());
    return ERROR_SUCCESS;
}

template <>
LONG HiveDoor<char>::CopyName(const hive::StoredName& stored, char* name, DWORD* length) {
    m_units.clear();
    stored.AppendUtf16(&m_units);
    const ULONG size = AnsiSize(Units(m_units), m_units.size() * sizeof(wchar_t));
    if (size >= *length) return ERROR_MORE_DATA;
    ToAnsi(name, size, Units(m_units), m_units.size() * sizeof(wchar_t));
    name[size] = '\0';
    *length = size;
    return ERROR_SUCCESS;
}

template <typename Char>
LONG HiveDoor<Char>::CopyData(DWORD type, hive::ByteView bytes, BYTE* data, DWORD* dataSize) {
    if (std::is_same<Char, char>::value && IsStringType(type)) {
        const auto* units = reinterpret_cast<const wchar_t*>(bytes.data());
        const ULONG size = AnsiSize(units, bytes.size());
        if (size > *dataSize) return ERROR_MORE_DATA;
        if (size) ToAnsi(reinterpret_cast<char*>(data), size, units, bytes.size());
        *dataSize = size;
        return ERROR_SUCCESS;
    }
    if (bytes.size() > *dataSize) return ERROR_MORE_DATA;
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    *dataSize = static_cast<DWORD>(bytes.size());
    return ERROR_SUCCESS;
}

template <typename Char>
LONG HiveDoor<Char>::EnumValue(HKEY key, DWORD index, Char* name, DWORD* nameLength, DWORD* type, BYTE* data,
                               DWORD* dataSize) {
    hive::ValueNode value;
    hive::ByteView bytes;
    LONG rc = m_registry.Value(key, index, &value, &bytes);
    if (rc == ERROR_SUCCESS) rc = CopyData(value.type, bytes, data, dataSize);
    if (rc == ERROR_SUCCESS) rc = CopyName(value.name, name, nameLength);
    if (rc == ERROR_SUCCESS) *type = value.type;
    return rc;
}

template <typename Char>
LONG HiveDoor<Char>::EnumKey(HKEY key, DWORD index, Char* name, DWORD* nameLength) {
    hive::KeyNode node;
    LONG rc = m_registry.SubKey(key, index, &node);
    if (rc == ERROR_SUCCESS) rc = CopyName(node.name, name, nameLength);
    if constexpr (std::is_same<Char, char>::value) {
        m_memory.lastParent = rc == ERROR_SUCCESS ? key : nullptr;
        if (rc == ERROR_SUCCESS) m_memory.lastName.assign(name, *nameLength);
    }
    return rc;
}

RegistryDoors HiveRegistry::Doors() {
    if (!m_narrow) {
        m_narrow = std::make_unique<HiveDoor<char>>(*this);
        m_wide = std::make_unique<HiveDoor<wchar_t>>(*this);
    }
    return {*m_narrow, *m_wide, false};
}
