#include "find/HiveReader.h"

#include <cstring>
#include <cwchar>

#include "base/WideCase.h"
#include "registry/RegKey.h"
#include "registry/RootKeys.h"

HKEY HiveReader::OpenPath(const std::wstring& path) {
    const wchar_t* below = nullptr;
    const RootKey* root = FindRootOf(path.c_str(), &below);
    HKEY key = nullptr;
    if (!root || m_registry.OpenKey(root->key, below, below ? std::wcslen(below) : 0, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

bool HiveReader::Exists(const std::wstring& path) { return static_cast<bool>(RegKey(m_registry, OpenPath(path))); }

// Value names are compared as the registry compares them, by ordinal case
// folding.
bool HiveReader::Value(const std::wstring& path, const std::wstring& name, DWORD* type, std::vector<BYTE>* data) {
    RegKey key(m_registry, OpenPath(path));
    RegKeyInfo info;
    if (!key || m_registry.QueryInfo(key.get(), &info) != ERROR_SUCCESS) return false;
    const std::wstring wanted = FoldedOrdinal(name);
    std::vector<wchar_t> found(info.maxValueNameLength + 1);
    for (DWORD index = 0; index < info.values; ++index) {
        DWORD length = static_cast<DWORD>(found.size());
        DWORD size = info.maxValueDataSize;
        data->resize(size);
        if (m_registry.EnumValue(key.get(), index, found.data(), &length, type, data->data(), &size) != ERROR_SUCCESS)
            continue;
        if (FoldedOrdinal(std::wstring(found.data(), length)) != wanted) continue;
        data->resize(size);
        return true;
    }
    return false;
}

bool HiveReader::Text(const std::wstring& path, const std::wstring& name, std::wstring* text) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!Value(path, name, &type, &data) || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    text->assign(data.size() / sizeof(wchar_t), L'\0');
    if (!text->empty()) std::memcpy(&(*text)[0], data.data(), text->size() * sizeof(wchar_t));
    text->resize(std::wcslen(text->c_str()));  // up to the terminator, as the platform reads it
    return true;
}

bool HiveReader::Number(const std::wstring& path, const std::wstring& name, DWORD* number) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!Value(path, name, &type, &data) || type != REG_DWORD || data.size() != sizeof(DWORD)) return false;
    std::memcpy(number, data.data(), sizeof(DWORD));
    return true;
}

std::vector<std::wstring> HiveReader::SubKeys(const std::wstring& path) {
    std::vector<std::wstring> names;
    RegKey key(m_registry, OpenPath(path));
    RegKeyInfo info;
    if (!key || m_registry.QueryInfo(key.get(), &info) != ERROR_SUCCESS) return names;
    std::vector<wchar_t> name(info.maxSubKeyLength + 1);
    for (DWORD index = 0; index < info.subKeys; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        if (m_registry.EnumKey(key.get(), index, name.data(), &length) == ERROR_SUCCESS)
            names.emplace_back(name.data(), length);
    }
    return names;
}
