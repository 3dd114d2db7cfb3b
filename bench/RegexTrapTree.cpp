// The keys on which a pathological expression once stalled kestrin-find /R
// for minutes: 401 keys under HKEY_CURRENT_USER, 110 of them holding 20,000
// "x", on which "(x+x+)+y" backtracks exponentially until its budget is spent.
// Made in the tests' prefix for the length of one run and taken away again,
// so that no test that walks the whole registry ever meets them.
#include <windows.h>
#include <cstdio>
#include <string>

#include "bench/BenchSupport.h"

namespace bench {
namespace {

constexpr char kTrapTree[] = "Software\\Kestrin Regex Trap";
constexpr int kTrapKeys = 401;
constexpr int kLongValues = 110;
constexpr size_t kLongValueLength = 20000;

// A component key; the first kLongValues also hold the long run of "x".
bool MakeTrapKey(HKEY tree, int number) {
    HKEY key = MakeComponentKey(tree, number);
    if (!key) return false;
    bool ok = number >= kLongValues || SetStringValue(key, "Long", REG_SZ, std::string(kLongValueLength, 'x'));
    ::RegCloseKey(key);
    return ok;
}

}  // namespace

std::string MakeRegexTrapTree() {
    RemoveRegexTrapTree();
    HKEY tree = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kTrapTree, 0, nullptr, 0, KEY_WRITE, nullptr, &tree, nullptr) !=
        ERROR_SUCCESS)
        return std::string();
    bool ok = true;
    for (int number = 0; ok && number < kTrapKeys; ++number) ok = MakeTrapKey(tree, number);
    ::RegCloseKey(tree);
    if (!ok) {
        RemoveRegexTrapTree();
        return std::string();
    }
    std::printf("%d keys under HKEY_CURRENT_USER\\%s, %d of them with %zu \"x\"\n", kTrapKeys, kTrapTree,
                kLongValues, kLongValueLength);
    return std::string("HKCU\\") + kTrapTree;
}

void RemoveRegexTrapTree() { ::RegDeleteTreeA(HKEY_CURRENT_USER, kTrapTree); }

}  // namespace bench
