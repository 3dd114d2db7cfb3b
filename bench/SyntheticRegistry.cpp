// A registry of a real machine's size for the benchmark, made in a Wine
// prefix of its own (never the tests' one): groups of 500 keys under
// HKEY_LOCAL_MACHINE\Software\Kestrin Bench, each key with a string, an
// expandable string and a number. Every eighth key's data and every fourth
// group's name hold "Microsoft", as real registries do often. A tree that
// is already complete is kept.
#include <windows.h>
#include <cstdio>
#include <string>

#include "bench/BenchSupport.h"

namespace bench {
namespace {

constexpr char kTreePath[] = "Software\\Kestrin Bench";
constexpr long kKeysPerGroup = 500;

bool MakeKey(HKEY group, long number) {
    HKEY key = MakeComponentKey(group, number);
    if (!key) return false;
    char text[128];
    std::snprintf(text, sizeof text, "%%SystemRoot%%\\System32\\component%06ld.dll", number);
    bool ok = SetStringValue(key, "Path", REG_EXPAND_SZ, text);
    DWORD size = static_cast<DWORD>(number * 37 % 100000);
    ok = ok && ::RegSetValueExA(key, "Size", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&size), sizeof size) ==
                   ERROR_SUCCESS;
    ::RegCloseKey(key);
    return ok;
}

}  // namespace

bool SetStringValue(HKEY key, const char* name, DWORD type, const std::string& data) {
    return ::RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
}

HKEY MakeComponentKey(HKEY parent, long number) {
    char name[64], text[128];
    std::snprintf(name, sizeof name, "Component %06ld", number);
    HKEY key = nullptr;
    if (::RegCreateKeyExA(parent, name, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    std::snprintf(text, sizeof text, number % 8 ? "Contoso component %ld" : "Microsoft Windows component %ld", number);
    if (SetStringValue(key, "Description", REG_SZ, text)) return key;
    ::RegCloseKey(key);
    return nullptr;
}

int BuildSyntheticRegistry(long keys) {
    HKEY tree = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTreePath, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &tree,
                          nullptr) != ERROR_SUCCESS) {
        std::fprintf(stderr, "cannot create HKEY_LOCAL_MACHINE\\%s\n", kTreePath);
        return 1;
    }
    DWORD made = 0, size = sizeof made;
    if (::RegQueryValueExA(tree, "Keys", nullptr, nullptr, reinterpret_cast<BYTE*>(&made), &size) == ERROR_SUCCESS &&
        made == static_cast<DWORD>(keys)) {
        std::printf("HKEY_LOCAL_MACHINE\\%s already holds %ld keys\n", kTreePath, keys);
        ::RegCloseKey(tree);
        return 0;
    }
    double start = Seconds();
    bool ok = true;
    for (long first = 0; ok && first < keys; first += kKeysPerGroup) {
        char name[64];
        std::snprintf(name, sizeof name, first / kKeysPerGroup % 4 ? "Group %04ld" : "Microsoft Group %04ld",
                      first / kKeysPerGroup);
        HKEY group = nullptr;
        ok = ::RegCreateKeyExA(tree, name, 0, nullptr, 0, KEY_WRITE, nullptr, &group, nullptr) == ERROR_SUCCESS;
        for (long number = first; ok && number < keys && number < first + kKeysPerGroup; ++number)
            ok = MakeKey(group, number);
        if (group) ::RegCloseKey(group);
    }
    made = static_cast<DWORD>(keys);
    ok = ok && ::RegSetValueExA(tree, "Keys", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&made), sizeof made) ==
                   ERROR_SUCCESS;
    ::RegCloseKey(tree);
    std::printf("%s %ld keys under HKEY_LOCAL_MACHINE\\%s in %.1f s\n", ok ? "made" : "FAILED after some of",
                keys, kTreePath, Seconds() - start);
    return ok ? 0 : 1;
}

}  // namespace bench
