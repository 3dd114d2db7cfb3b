#include "find/OfflineMounts.h"

#include <cstdio>

#include "base/Mbcs.h"
#include "hiveregistry/HiveRegistry.h"
#include "hiveregistry/OfflineWindows.h"
#include "hiveregistry/WindowsFolders.h"

namespace {

const std::wstring kSystem = L"HKEY_LOCAL_MACHINE\\SYSTEM";
const std::wstring kCurrentVersion = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

std::wstring Joined(const std::wstring& root, const std::wstring& path) {
    const bool separated = !root.empty() && (root.back() == L'\\' || root.back() == L'/');
    return separated ? root + path : root + L'\\' + path;
}

void Tell(const std::wstring& note) {
    std::fprintf(stderr, "kestrin-find: %s\n", mbcs::FromWide(note).c_str());
}

std::vector<OfflineProfile> ReadProfiles(HiveReader& reader) {
    const std::wstring list = kCurrentVersion + L"\\ProfileList";
    std::vector<OfflineProfile> profiles;
    for (const std::wstring& sid : reader.SubKeys(list)) {
        std::wstring path;
        if (reader.Text(list + L'\\' + sid, L"ProfileImagePath", &path)) profiles.push_back({sid, path});
    }
    return profiles;
}

// Mounts the plan's hives that are not mounted yet; false on a clash.
bool AddHives(const std::vector<OfflineHive>& plan, const std::wstring& root, HiveKeyStore* hives,
              std::string* error) {
    for (const OfflineHive& hive : plan) {
        const size_t holding = hives->MountHolding(hive.key);
        if (holding < hives->MountCount() && hives->Mount(holding).key.size() == hive.key.size()) continue;
        size_t clash = 0;
        if (!hives->AddMount(hive.key, Joined(root, hive.path), &clash)) {
            *error = "the offline Windows's hives cannot stand at " + mbcs::FromWide(hive.key);
            return false;
        }
    }
    return true;
}

void AddLinks(const std::vector<OfflineLink>& links, HiveKeyStore* hives) {
    for (const OfflineLink& link : links) {
        const size_t source = hives->MountHolding(link.sourceKey);
        size_t clash = 0;
        if (source == hives->MountCount() || !hives->AddLink(link.key, source, link.target, &clash))
            Tell(L"no link at " + link.key + L": it would clash with another hive's key");
    }
}

// The computer's and the product's names, where the hives hold them.
std::wstring HeaderNote(const std::wstring& root, HiveReader& reader) {
    std::wstring note = L";    Offline Windows: " + root + L"\r\n";
    std::wstring name, product, build;
    const std::wstring set = CurrentControlSet(reader);
    if (!set.empty() &&
        reader.Text(kSystem + L'\\' + set + L"\\Control\\ComputerName\\ComputerName", L"ComputerName", &name))
        note += L";    Computer: " + name + L"\r\n";
    if (reader.Text(kCurrentVersion, L"ProductName", &product)) {
        if (reader.Text(kCurrentVersion, L"CurrentBuild", &build) ||
            reader.Text(kCurrentVersion, L"CurrentBuildNumber", &build))
            product += L" (build " + build + L")";
        note += L";    Product: " + product + L"\r\n";
    }
    return note;
}

}  // namespace

std::wstring CurrentControlSet(HiveReader& reader) {
    DWORD current = 0;
    if (!reader.Number(kSystem + L"\\Select", L"Current", &current)) return std::wstring();
    wchar_t set[32];
    std::swprintf(set, sizeof set / sizeof set[0], L"ControlSet%03lu", static_cast<unsigned long>(current));
    return reader.Exists(kSystem + L'\\' + set) ? set : std::wstring();
}

bool MountOffline(const std::wstring& root, HiveKeyStore* hives, HiveSetup* setup) {
    WindowsFolders folders(root);
    DWORD error = 0;
    if (!folders.Open(&error)) {
        setup->failExit = FindExit::CannotOpen;
        setup->error = "cannot search the offline Windows in " + mbcs::FromWide(root) + ": " + SystemText(error);
        return false;
    }
    OfflineWindows windows(&folders);
    if (!windows.FindSystemHives()) {
        setup->failExit = FindExit::NotAHive;
        setup->error = "no offline Windows in " + mbcs::FromWide(root) +
                       ": it holds neither Windows\\System32\\config\\SYSTEM nor Windows\\System32\\config\\SOFTWARE";
        return false;
    }
    if (!AddHives(windows.Hives(), root, hives, &setup->error)) return false;
    setup->filesExit = OpenHives(hives, 0, true);
    HiveRegistry<wchar_t> registry(*hives);
    HiveReader reader(registry);
    windows.FindUserHives(ReadProfiles(reader));
    windows.AddLinks();
    for (const std::wstring& note : windows.Notes()) Tell(note);
    const size_t users = hives->MountCount();
    if (!AddHives(windows.Hives(), root, hives, &setup->error)) return false;
    setup->filesExit = FirstExit({setup->filesExit, OpenHives(hives, users, true)});
    const size_t links = hives->MountCount();
    AddLinks(windows.Links(), hives);
    OpenHives(hives, links, true);
    setup->headerNote = HeaderNote(root, reader);
    return true;
}
