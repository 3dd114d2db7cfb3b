#include "hiveregistry/OfflineWindows.h"

#include <algorithm>

#include "base/WideCase.h"

namespace {

const wchar_t kSystemKey[] = L"HKEY_LOCAL_MACHINE\\SYSTEM";
const wchar_t kSoftwareKey[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE";
const wchar_t kDefaultKey[] = L"HKEY_USERS\\.DEFAULT";

// The hives that a running Windows loads from System32\config. COMPONENTS,
// BBI and ELAM are loaded only while servicing or booting, and RegBack holds
// old copies: none of them is what the registry showed.
struct ConfigHive {
    const wchar_t* file;
    const wchar_t* key;
};
const ConfigHive kConfigHives[] = {
    {L"SYSTEM", kSystemKey},
    {L"SOFTWARE", kSoftwareKey},
    {L"SAM", L"HKEY_LOCAL_MACHINE\\SAM"},
    {L"SECURITY", L"HKEY_LOCAL_MACHINE\\SECURITY"},
    {L"DEFAULT", kDefaultKey},
    {L"DRIVERS", L"HKEY_LOCAL_MACHINE\\DRIVERS"},
};

// The names of path between '\\', without empty ones (a leading, doubled or
// trailing separator).
std::vector<std::wstring> Names(const std::wstring& path) {
    std::vector<std::wstring> names;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        if (end > start) names.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

}  // namespace

OfflineWindows::OfflineWindows(OfflineFolders* folders) : m_folders(folders) {}

bool OfflineWindows::FindSystemHives() {
    std::wstring config;
    if (!Find(L"", L"Windows\\System32\\config", true, &config)) return false;
    for (const ConfigHive& hive : kConfigHives) {
        std::wstring path;
        if (Find(config, hive.file, false, &path)) Mount(hive.key, path);
    }
    // DEFAULT shows at S-1-5-18 as well (AddLinks): no user's folder may
    // take the key.
    if (!HivePath(kDefaultKey).empty()) m_keys.insert(FoldedSimple(kUsers + std::wstring(kLocalSystem)));
    Sort();
    return !HivePath(kSystemKey).empty() || !HivePath(kSoftwareKey).empty();
}

std::wstring OfflineWindows::HivePath(const std::wstring& key) const {
    const std::wstring folded = FoldedSimple(key);
    for (const OfflineHive& hive : m_hives)
        if (FoldedSimple(hive.key) == folded) return hive.path;
    return L"";
}

void OfflineWindows::AddLinks() {
    m_links.clear();
    if (!HivePath(kDefaultKey).empty()) m_links.push_back({kUsers + std::wstring(kLocalSystem), kDefaultKey, L""});
    for (const auto& [user, classes] : m_classes) m_links.push_back({user + L"\\Software\\Classes", classes, L""});
    Sort();
}

bool OfflineWindows::Find(const std::wstring& start, const std::wstring& relative, bool folder, std::wstring* real) {
    const std::vector<std::wstring> names = Names(relative);
    std::wstring current = start;
    for (size_t i = 0; i < names.size(); ++i)
        if (!FindChild(current, names[i], folder || i + 1 < names.size(), &current)) return false;
    if (names.empty() && !folder) return false;
    *real = current;
    return true;
}

// The entry spelt exactly as name wins over one that merely folds alike: a
// case-sensitive mount may hold both.
bool OfflineWindows::FindChild(const std::wstring& folder, const std::wstring& name, bool wantFolder, std::wstring* real) {
    const std::wstring wanted = FoldedSimple(name);
    const std::vector<OfflineFolders::Entry>& entries = Listing(folder);
    const OfflineFolders::Entry* found = nullptr;
    for (const OfflineFolders::Entry& entry : entries) {
        if (entry.name == name) {
            found = &entry;
            break;
        }
        if (!found && FoldedSimple(entry.name) == wanted) found = &entry;
    }
    if (!found || found->folder != wantFolder) return false;
    return m_folders->RealPath(Joined(folder, found->name), real);
}

// Each folder is listed once: under Wine every listing is a round of
// server calls, and profiles share their folders' upper levels.
const std::vector<OfflineFolders::Entry>& OfflineWindows::Listing(const std::wstring& folder) {
    const auto listed = m_listings.find(folder);
    if (listed != m_listings.end()) return listed->second;
    return m_listings.emplace(folder, m_folders->List(folder)).first->second;
}

bool OfflineWindows::Mount(const std::wstring& key, const std::wstring& path) {
    const auto mounted = m_files.find(path);
    if (mounted != m_files.end()) {
        m_notes.push_back(path + L" is mounted at " + mounted->second + L" already, not at " + key);
        return false;
    }
    if (!m_keys.insert(FoldedSimple(key)).second) {
        m_notes.push_back(path + L" is not mounted: " + key + L" is taken already");
        return false;
    }
    m_files.emplace(path, key);
    m_hives.push_back({key, path});
    return true;
}

std::wstring OfflineWindows::Joined(const std::wstring& folder, const std::wstring& name) {
    return folder.empty() ? name : folder + L"\\" + name;
}

// Folded, HKEY_LOCAL_MACHINE sorts before HKEY_USERS by itself.
void OfflineWindows::Sort() {
    const auto byKey = [](const auto& a, const auto& b) { return FoldedSimple(a.key) < FoldedSimple(b.key); };
    std::sort(m_hives.begin(), m_hives.end(), byKey);
    std::sort(m_links.begin(), m_links.end(), byKey);
}
