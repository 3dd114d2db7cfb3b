// libFuzzer's entry for the offline planner: the profile list comes out of
// a SOFTWARE hive, so its SIDs and ProfileImagePaths are as untrusted as
// the hive. The input is UTF-16LE lines "SID|PATH"; the planner works
// against a fixed fake Windows with links, a loop and a way out of the
// root, and every key it mounts must stand once.
#include <set>
#include <string>
#include <vector>

#include "FakeFolders.h"
#include "base/WideCase.h"
#include "hiveregistry/OfflineWindows.h"

namespace {

void MakeWindows(FakeFolders* disk) {
    for (const wchar_t* file : {L"SYSTEM", L"SOFTWARE", L"DEFAULT", L"systemprofile\\NTUSER.DAT"})
        disk->File(std::wstring(L"root\\Windows\\System32\\config\\") + file);
    disk->File(L"root\\Users\\a\\NTUSER.DAT");
    disk->File(L"root\\Users\\a\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat");
    disk->File(L"root\\Users\\B\\ntuser.dat");
    disk->File(L"outside\\NTUSER.DAT");
    disk->Link(L"root\\Documents and Settings", L"root\\Users");
    disk->Link(L"root\\Users\\out", L"outside");
    disk->Link(L"root\\Users\\loop", L"root\\Users\\loop2");
    disk->Link(L"root\\Users\\loop2", L"root\\Users\\loop");
}

std::vector<OfflineProfile> Profiles(const uint8_t* data, size_t size) {
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2) text += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    std::vector<OfflineProfile> profiles;
    for (size_t begin = 0; begin <= text.size();) {
        size_t end = text.find(L'\n', begin);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring line = text.substr(begin, end - begin);
        const size_t bar = line.find(L'|');
        if (bar != std::wstring::npos) profiles.push_back({line.substr(0, bar), line.substr(bar + 1)});
        begin = end + 1;
    }
    return profiles;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FakeFolders disk;
    MakeWindows(&disk);
    OfflineWindows windows(&disk);
    if (!windows.FindSystemHives()) __builtin_trap();
    windows.FindUserHives(Profiles(data, size));
    windows.AddLinks();
    std::set<std::wstring> keys;
    for (const OfflineHive& hive : windows.Hives())
        if (hive.path.empty() || !keys.insert(FoldedSimple(hive.key)).second) __builtin_trap();
    for (const OfflineLink& link : windows.Links())
        if (!keys.insert(FoldedSimple(link.key)).second) __builtin_trap();
    return 0;
}
