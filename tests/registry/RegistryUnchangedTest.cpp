// A search only reads: the prefix's whole registry (every key path, value
// name, type, data and the key's last-write time) is the same before and
// after full searches. The test's own keys are made before the first dump
// and removed after the second. Other processes must not write to the
// registry meanwhile, so ctest runs this one alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ErrorCapture.h"
#include "support/RegistryTestKey.h"
#include "support/SearchRun.h"
#include "support/TempDir.h"
#include "registry/LiveRegistry.h"

using namespace testsupport;

namespace {

using Dump = std::vector<std::wstring>;

std::wstring Hex(const BYTE* data, DWORD size) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring text;
    text.reserve(size * 2);
    for (DWORD i = 0; i < size; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 15];
    }
    return text;
}

void DumpValues(HKEY key, DWORD count, DWORD maxName, DWORD maxData, Dump& dump) {
    std::vector<wchar_t> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    for (DWORD index = 0; index < count; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG rc = ::RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize);
        if (rc != ERROR_SUCCESS) {
            dump.push_back(L"  value " + std::to_wstring(index) + L" unreadable " + std::to_wstring(rc));
            continue;
        }
        dump.push_back(L"  \"" + std::wstring(name.data(), nameLength) + L"\" type " + std::to_wstring(type) +
                       L" " + Hex(data.data(), dataSize));
    }
}

void DumpKey(HKEY key, const std::wstring& path, Dump& dump) {
    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxName = 0, maxData = 0;
    FILETIME written = {};
    LONG rc = ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                                 &maxName, &maxData, nullptr, &written);
    if (rc != ERROR_SUCCESS) {
        dump.push_back(L"[" + path + L"] unqueryable " + std::to_wstring(rc));
        return;
    }
    dump.push_back(L"[" + path + L"] written " + std::to_wstring(written.dwHighDateTime) + L":" +
                   std::to_wstring(written.dwLowDateTime));
    DumpValues(key, values, maxName, maxData, dump);

    std::vector<wchar_t> name(maxSubKey + 2);
    for (DWORD index = 0; index < subKeys; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        if (::RegEnumKeyExW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        std::wstring child(name.data(), length);
        HKEY sub = nullptr;
        rc = ::RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, &sub);
        if (rc != ERROR_SUCCESS) {
            dump.push_back(L"[" + path + L"\\" + child + L"] unopenable " + std::to_wstring(rc));
            continue;
        }
        DumpKey(sub, path + L"\\" + child, dump);
        ::RegCloseKey(sub);
    }
}

Dump DumpRegistry() {
    Dump dump;
    const std::pair<HKEY, const wchar_t*> roots[] = {{HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT"},
                                                     {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER"},
                                                     {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE"},
                                                     {HKEY_USERS, L"HKEY_USERS"}};
    for (const auto& root : roots) DumpKey(root.first, root.second, dump);
    return dump;
}

std::string Utf8(const std::wstring& text) {
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &result[0], size, nullptr, nullptr);
    return result;
}

// The first line in which the dumps differ, for the failure message.
std::string FirstDifference(const Dump& before, const Dump& after) {
    size_t i = 0;
    while (i < before.size() && i < after.size() && before[i] == after[i]) ++i;
    std::string text = "line " + std::to_string(i) + "\n  before: ";
    text += i < before.size() ? Utf8(before[i].substr(0, 300)) : "(end)";
    text += "\n  after:  ";
    text += i < after.size() ? Utf8(after[i].substr(0, 300)) : "(end)";
    return text;
}

TEST(RegistryUnchanged, FullSearchesChangeNothingInTheRegistry) {
    RegistryTestKey key("unchanged");
    const std::string text = "Kzq" + UniqueSuffix();
    key.String(text, nullptr, text);
    key.String("plain", "named", "x" + text);
    ASSERT_TRUE(key.ok());

    ErrorCapture errors;
    TempDir folder("unchanged");
    CurrentDirectoryScope cwd(folder.path());
    CRegKeyTools tools((folder / "Kestrin.ini").c_str(), LiveRegistries());
    SearchCounters counters;

    const Dump before = DumpRegistry();
    RunOptions everything{1, 1, 0, 0};
    RunSearch(tools, "Explorer", everything, counters);
    const int commonHits = SearchCounters::Read(counters.found);
    RunSearch(tools, text, RunOptions{1, 1, 1, 1}, counters);
    const int subtreeHits = SearchCounters::Read(counters.found);
    const Dump after = DumpRegistry();

    // The searches really walked and wrote reports; the dumps are not empty.
    EXPECT_GT(commonHits, 0);
    EXPECT_EQ(4, subtreeHits);  // name and default value, under both roots
    EXPECT_EQ(2u, ListFiles(folder.path(), "*.reg").size());
    ASSERT_GT(before.size(), 1000u);
    EXPECT_EQ(before.size(), after.size());
    EXPECT_TRUE(before == after) << FirstDifference(before, after);
    EXPECT_TRUE(errors.messages().empty());
}

}  // namespace
