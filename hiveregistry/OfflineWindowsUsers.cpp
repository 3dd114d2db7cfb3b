// The users' hives of an offline Windows: those of the profile list first,
// then those of user folders that no profile names.
#include <algorithm>
#include <utility>

#include "base/WideCase.h"
#include "hiveregistry/OfflineWindows.h"

namespace {

// Where user folders stand: Vista and later, and the older layout (which
// later systems keep as a junction to Users).
const wchar_t* const kUserFolders[] = {L"Users", L"Documents and Settings"};
const wchar_t kUserHive[] = L"NTUSER.DAT";
const wchar_t* const kClassesHives[] = {
    L"AppData\\Local\\Microsoft\\Windows\\UsrClass.dat",
    L"Local Settings\\Application Data\\Microsoft\\Windows\\UsrClass.dat",
};

// A profile's image path relative to the root, when it lies on the offline
// system's drive: behind %SystemDrive%, %SystemRoot% (the Windows folder)
// or a drive letter. Another variable or a UNC path leads elsewhere.
bool OnSystemDrive(const std::wstring& imagePath, std::wstring* relative) {
    const std::pair<std::wstring, std::wstring> kVariables[] = {{L"%systemdrive%", L""},
                                                                {L"%systemroot%", L"Windows"}};
    const std::wstring folded = FoldedSimple(imagePath);
    for (const auto& [variable, folder] : kVariables)
        if (folded.compare(0, variable.size(), variable) == 0) {
            *relative = folder + L"\\" + imagePath.substr(variable.size());
            return true;
        }
    const bool letter = !imagePath.empty() && ((imagePath[0] >= L'A' && imagePath[0] <= L'Z') ||
                                               (imagePath[0] >= L'a' && imagePath[0] <= L'z'));
    if (!letter || imagePath.size() < 2 || imagePath[1] != L':') return false;
    *relative = imagePath.substr(2);
    return true;
}

}  // namespace

void OfflineWindows::FindUserHives(const std::vector<OfflineProfile>& profiles) {
    for (const OfflineProfile& profile : profiles) AddProfile(profile);
    // Documents and Settings as a junction to Users is listed once: a
    // second pass would tell of every folder that could not stand again.
    std::vector<std::wstring> listed;
    for (const wchar_t* top : kUserFolders) {
        std::wstring real;
        if (!Find(L"", top, true, &real) || std::find(listed.begin(), listed.end(), real) != listed.end()) continue;
        listed.push_back(real);
        AddUnnamedFolders(real);
    }
    Sort();
}

// S-1-5-18's folder (config\systemprofile) is not what a running Windows
// loads at its key: DEFAULT shows there instead (AddLinks).
void OfflineWindows::AddProfile(const OfflineProfile& profile) {
    if (FoldedSimple(profile.sid) == FoldedSimple(kLocalSystem)) return;
    const std::wstring named = L"the profile of " + profile.sid + L" names " + profile.imagePath;
    // Its name comes from a hive that may be damaged, and must stay one key.
    if (profile.sid.empty() || profile.sid.find(L'\\') != std::wstring::npos) {
        m_notes.push_back(named + L", but its name is no key's: not mounted");
        return;
    }
    std::wstring relative, folder, hive;
    if (!OnSystemDrive(profile.imagePath, &relative)) {
        m_notes.push_back(named + L", which is not on the offline system's drive: not mounted");
        return;
    }
    if (!Find(L"", relative, true, &folder) || !FindChild(folder, kUserHive, false, &hive)) {
        m_notes.push_back(named + L", which holds no " + kUserHive + L": not mounted");
        return;
    }
    const std::wstring key = kUsers + profile.sid;
    if (Mount(key, hive)) AddClasses(key, folder);
}

// In the order of their names, so that of two names that fold alike the
// same one stands on every run.
void OfflineWindows::AddUnnamedFolders(const std::wstring& top) {
    std::vector<OfflineFolders::Entry> entries = Listing(top);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return std::make_pair(FoldedSimple(a.name), a.name) < std::make_pair(FoldedSimple(b.name), b.name);
    });
    for (const OfflineFolders::Entry& entry : entries)
        if (entry.folder) AddUnnamedUser(top, entry.name);
}

// A hive mounted already is a profile's, or this one's reached by another
// path (Documents and Settings as a junction to Users): left alone quietly.
void OfflineWindows::AddUnnamedUser(const std::wstring& top, const std::wstring& name) {
    const std::wstring path = Joined(top, name);
    std::wstring folder, hive;
    if (!m_folders->RealPath(path, &folder) || !FindChild(folder, kUserHive, false, &hive) || m_files.count(hive))
        return;
    const std::wstring key = kUsers + name;
    if (!Mount(key, hive)) return;
    m_notes.push_back(path + L" holds a user's hive that no profile names: mounted at " + key);
    AddClasses(key, folder);
}

void OfflineWindows::AddClasses(const std::wstring& userKey, const std::wstring& folder) {
    for (const wchar_t* relative : kClassesHives) {
        std::wstring hive;
        if (!Find(folder, relative, false, &hive)) continue;
        const std::wstring classesKey = userKey + L"_Classes";
        if (Mount(classesKey, hive)) m_classes.emplace_back(userKey, classesKey);
        return;
    }
}
