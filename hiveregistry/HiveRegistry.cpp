#include "hiveregistry/HiveRegistry.h"

#include <algorithm>
#include <cstring>

#include "hiveregistry/AnsiText.h"
#include "registry/NativeNames.h"

namespace {

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

const wchar_t* Units(const std::u16string& units) { return reinterpret_cast<const wchar_t*>(units.data()); }

}  // namespace

template <>
LONG HiveRegistry<wchar_t>::OpenKey(HKEY parent, const wchar_t* subKey, size_t length, HKEY* result) {
    return m_store.Open(parent, subKey, subKey ? length : 0, result);
}

// RegOpenKeyExA takes the name through the code page; a name that lost
// characters there opens nothing, as in the live registry, and is told.
template <>
LONG HiveRegistry<char>::OpenKey(HKEY parent, const char* subKey, size_t length, HKEY* result) {
    FromAnsi(subKey ? subKey : "", subKey ? length : 0, &m_memory.name);
    LONG rc = m_store.Open(parent, m_memory.name.c_str(), m_memory.name.size(), result);
    if (rc == ERROR_FILE_NOT_FOUND && parent == m_memory.lastParent && subKey &&
        m_memory.lastName.compare(0, std::string::npos, subKey, length) == 0)
        m_store.TellUnspellable(parent);
    return rc;
}

template <>
LONG HiveRegistry<wchar_t>::CopyName(const hive::StoredName& stored, wchar_t* name, DWORD* length) {
    m_units.clear();
    stored.AppendUtf16(&m_units);
    if (m_units.size() >= *length) return ERROR_MORE_DATA;
    std::copy(m_units.begin(), m_units.end(), name);
    name[m_units.size()] = L'\0';
    *length = static_cast<DWORD>(m_units.size());
    return ERROR_SUCCESS;
}

template <>
LONG HiveRegistry<char>::CopyName(const hive::StoredName& stored, char* name, DWORD* length) {
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
LONG HiveRegistry<Char>::CopyData(DWORD type, hive::ByteView bytes, BYTE* data, DWORD* dataSize) {
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
LONG HiveRegistry<Char>::EnumValue(HKEY key, DWORD index, Char* name, DWORD* nameLength, DWORD* type, BYTE* data,
                               DWORD* dataSize) {
    hive::ValueNode value;
    hive::ByteView bytes;
    LONG rc = m_store.Value(key, index, &value, &bytes);
    if (rc == ERROR_SUCCESS) rc = CopyData(value.type, bytes, data, dataSize);
    if (rc == ERROR_SUCCESS) rc = CopyName(value.name, name, nameLength);
    if (rc == ERROR_SUCCESS) *type = value.type;
    return rc;
}

template <typename Char>
LONG HiveRegistry<Char>::EnumKey(HKEY key, DWORD index, Char* name, DWORD* nameLength) {
    hive::KeyNode node;
    LONG rc = m_store.SubKey(key, index, &node);
    if (rc == ERROR_SUCCESS) rc = CopyName(node.name, name, nameLength);
    if constexpr (std::is_same<Char, char>::value) {
        m_memory.lastParent = rc == ERROR_SUCCESS ? key : nullptr;
        if (rc == ERROR_SUCCESS) m_memory.lastName.assign(name, *nameLength);
    }
    return rc;
}

template class HiveRegistry<char>;
template class HiveRegistry<wchar_t>;
