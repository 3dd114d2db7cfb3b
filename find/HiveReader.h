#pragma once
// Reads single values and key lists of the hives through the registry the
// walk uses, for what kestrin-find must know before the search: the
// offline Windows's profile list, current control set and names. What
// cannot be read is simply absent; the walk tells the damage later.
#include <windows.h>
#include <string>
#include <vector>

#include "registry/Registry.h"

class HiveReader {
public:
    explicit HiveReader(IWideRegistry& registry) : m_registry(registry) {}

    // The string value name (REG_SZ or REG_EXPAND_SZ, unexpanded, without
    // its terminator) of the key at path (its root's name first).
    bool Text(const std::wstring& path, const std::wstring& name, std::wstring* text);
    // The REG_DWORD value name of the key at path.
    bool Number(const std::wstring& path, const std::wstring& name, DWORD* number);
    // The names of the key's sub-keys; empty when it cannot be opened.
    std::vector<std::wstring> SubKeys(const std::wstring& path);
    // True when the key at path can be opened.
    bool Exists(const std::wstring& path);

private:
    // The value's type and data; false when the key or the value is absent.
    bool Value(const std::wstring& path, const std::wstring& name, DWORD* type, std::vector<BYTE>* data);
    HKEY OpenPath(const std::wstring& path);

    IWideRegistry& m_registry;
};
