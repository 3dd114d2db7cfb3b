// The offline planner against a fake Linux mount: which hives stand at which
// keys, which links exist, and what the notes tell.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeFolders.h"
#include "hiveregistry/OfflineWindows.h"

namespace {

const std::wstring kConfig = L"root\\WINDOWS\\system32\\Config\\";
const std::wstring kUsers = L"root\\users\\";
const std::wstring kLocalClasses = L"\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat";
const std::wstring kOldClasses = L"\\Local Settings\\Application Data\\Microsoft\\Windows\\UsrClass.dat";

// A Windows on a case-keeping mount, with all that must not be mounted and
// every way a link can mislead.
void MakeOfflineWindows(FakeFolders* disk) {
    for (const wchar_t* file : {L"SYSTEM", L"software", L"SAM", L"Default", L"Drivers", L"COMPONENTS", L"BBI", L"ELAM",
                                L"SYSTEM.LOG1", L"RegBack\\SYSTEM", L"RegBack\\SOFTWARE", L"systemprofile\\NTUSER.DAT"})
        disk->File(kConfig + file);
    disk->Folder(kConfig + L"SECURITY");  // only regular files count
    disk->File(L"root\\WINDOWS\\ServiceProfiles\\LocalService\\NTUSER.DAT");
    disk->File(L"root\\WINDOWS\\ServiceProfiles\\LocalService" + kLocalClasses);
    disk->File(L"root\\WINDOWS\\ServiceProfiles\\NetworkService\\NTUSER.DAT");
    disk->File(L"root\\Windows.old\\WINDOWS\\System32\\config\\SYSTEM");
    disk->File(L"root\\Windows.old\\Users\\old\\NTUSER.DAT");
    for (const wchar_t* file : {L"Alice\\ntuser.dat", L"Bob\\NTUSER.DAT", L"CAROL\\NTUSER.DAT", L"carol\\NTUSER.DAT",
                                L"Default\\NTUSER.DAT", L"Public\\desktop.ini", L"Frank\\NTUSER.DAT\\x"})
        disk->File(kUsers + file);
    disk->File(kUsers + L"Alice" + kLocalClasses);
    disk->File(kUsers + L"Bob" + kOldClasses);
    disk->File(kUsers + L"CAROL" + kLocalClasses);
    disk->Link(L"root\\Documents and Settings", L"root\\users");
    disk->Link(kUsers + L"Default User", L"root\\users\\Default");
    disk->Link(kUsers + L"Eve", L"elsewhere\\Eve");
    disk->File(L"elsewhere\\Eve\\NTUSER.DAT");
    disk->Folder(kUsers + L"Dave");
    disk->Link(kUsers + L"Dave\\NTUSER.DAT", L"elsewhere\\hive");
    disk->File(L"elsewhere\\hive");
    disk->Link(kUsers + L"Loop", L"root\\users\\Loop2");
    disk->Link(kUsers + L"Loop2", L"root\\users\\Loop");
}

const std::vector<OfflineProfile> kProfiles = {
    {L"S-1-5-18", L"%systemroot%\\system32\\config\\systemprofile"},
    {L"S-1-5-19", L"%SystemRoot%\\ServiceProfiles\\LocalService"},
    {L"S-1-5-20", L"%SYSTEMROOT%\\ServiceProfiles\\NetworkService"},
    {L"S-1-5-21-7-1001", L"C:\\Users\\alice"},
    {L"S-1-5-21-7-1002", L"%SystemDrive%\\Documents and Settings\\Bob"},
    {L"S-1-5-21-7-1003", L"C:\\Users\\gone"},
    {L"S-1-5-21-7-1004", L"\\\\server\\profiles\\x"},
    {L"S-1-5-21-7-1005", L"%USERPROFILE%\\x"},
    {L"S-1-5-21-7-1006", L"c:\\users\\Eve"},
    {L"S-1-5-21-7-1007", L"D:\\USERS\\Alice\\"},
    {L"S-1-5-21-7\\1008", L"C:\\Users\\Bob"},
};

std::vector<std::wstring> HiveRows(const std::vector<OfflineHive>& hives) {
    std::vector<std::wstring> rows;
    for (const OfflineHive& hive : hives) rows.push_back(hive.key + L" = " + hive.path);
    return rows;
}

std::vector<std::wstring> LinkRows(const std::vector<OfflineLink>& links) {
    std::vector<std::wstring> rows;
    for (const OfflineLink& link : links) rows.push_back(link.key + L" -> " + link.sourceKey + L" : " + link.target);
    return rows;
}

TEST(OfflineWindows, MountsWhatTheRunningSystemShowed) {
    FakeFolders disk;
    MakeOfflineWindows(&disk);
    OfflineWindows plan(&disk);
    ASSERT_TRUE(plan.FindSystemHives());
    EXPECT_EQ(plan.HivePath(L"hkey_local_machine\\Software"), L"WINDOWS\\system32\\Config\\software");
    plan.FindUserHives(kProfiles);
    plan.AddLinks();

    const std::wstring config = L"WINDOWS\\system32\\Config\\";
    const std::wstring services = L"WINDOWS\\ServiceProfiles\\";
    const std::vector<std::wstring> hives = {
        L"HKEY_LOCAL_MACHINE\\DRIVERS = " + config + L"Drivers",
        L"HKEY_LOCAL_MACHINE\\SAM = " + config + L"SAM",
        L"HKEY_LOCAL_MACHINE\\SOFTWARE = " + config + L"software",
        L"HKEY_LOCAL_MACHINE\\SYSTEM = " + config + L"SYSTEM",
        L"HKEY_USERS\\.DEFAULT = " + config + L"Default",
        L"HKEY_USERS\\CAROL = users\\CAROL\\NTUSER.DAT",
        L"HKEY_USERS\\CAROL_Classes = users\\CAROL" + kLocalClasses,
        L"HKEY_USERS\\Default = users\\Default\\NTUSER.DAT",
        L"HKEY_USERS\\S-1-5-19 = " + services + L"LocalService\\NTUSER.DAT",
        L"HKEY_USERS\\S-1-5-19_Classes = " + services + L"LocalService" + kLocalClasses,
        L"HKEY_USERS\\S-1-5-20 = " + services + L"NetworkService\\NTUSER.DAT",
        L"HKEY_USERS\\S-1-5-21-7-1001 = users\\Alice\\ntuser.dat",
        L"HKEY_USERS\\S-1-5-21-7-1001_Classes = users\\Alice" + kLocalClasses,
        L"HKEY_USERS\\S-1-5-21-7-1002 = users\\Bob\\NTUSER.DAT",
        L"HKEY_USERS\\S-1-5-21-7-1002_Classes = users\\Bob" + kOldClasses,
    };
    EXPECT_EQ(HiveRows(plan.Hives()), hives);

    const std::wstring classes = L"\\Software\\Classes -> HKEY_USERS\\";
    const std::vector<std::wstring> links = {
        L"HKEY_USERS\\CAROL" + classes + L"CAROL_Classes : ",
        L"HKEY_USERS\\S-1-5-18 -> HKEY_USERS\\.DEFAULT : ",
        L"HKEY_USERS\\S-1-5-19" + classes + L"S-1-5-19_Classes : ",
        L"HKEY_USERS\\S-1-5-21-7-1001" + classes + L"S-1-5-21-7-1001_Classes : ",
        L"HKEY_USERS\\S-1-5-21-7-1002" + classes + L"S-1-5-21-7-1002_Classes : ",
    };
    EXPECT_EQ(LinkRows(plan.Links()), links);

    // The gist of each note, in order: what it names, and what became of it.
    const std::vector<std::pair<std::wstring, std::wstring>> notes = {
        {L"S-1-5-21-7-1003 names C:\\Users\\gone", L"holds no NTUSER.DAT: not mounted"},
        {L"S-1-5-21-7-1004 names \\\\server", L"not mounted"},
        {L"S-1-5-21-7-1005 names %USERPROFILE%", L"not mounted"},
        {L"S-1-5-21-7-1006 names c:\\users\\Eve", L"holds no NTUSER.DAT: not mounted"},
        {L"users\\Alice\\ntuser.dat", L"HKEY_USERS\\S-1-5-21-7-1001 already, not at HKEY_USERS\\S-1-5-21-7-1007"},
        {L"S-1-5-21-7\\1008 names", L"no key's: not mounted"},
        {L"users\\CAROL holds", L"mounted at HKEY_USERS\\CAROL"},
        {L"users\\carol\\NTUSER.DAT is not mounted", L"HKEY_USERS\\carol is taken"},
        {L"users\\Default holds", L"mounted at HKEY_USERS\\Default"},
    };
    ASSERT_EQ(plan.Notes().size(), notes.size());
    for (size_t i = 0; i < notes.size(); ++i) {
        const std::wstring& note = plan.Notes()[i];
        EXPECT_NE(note.find(notes[i].first), std::wstring::npos) << i;
        EXPECT_NE(note.find(notes[i].second), std::wstring::npos) << i;
    }
    for (const std::wstring& folder : disk.Listed()) EXPECT_EQ(folder.rfind(L"root", 0), 0u) << folder;
}

// Without SYSTEM and SOFTWARE there is no Windows to show; user folders
// alone or other hives alone do not make one.
TEST(OfflineWindows, NeedsSystemOrSoftware) {
    const std::vector<std::vector<std::wstring>> trees = {
        {L"root\\Users\\Alice\\NTUSER.DAT"},
        {kConfig + L"SAM", kConfig + L"DEFAULT", kConfig + L"RegBack\\SYSTEM", kConfig + L"SOFTWARE\\x",
         L"root\\Windows.old\\Windows\\System32\\config\\SYSTEM"},
    };
    for (const std::vector<std::wstring>& files : trees) {
        FakeFolders disk;
        for (const std::wstring& file : files) disk.File(file);
        OfflineWindows plan(&disk);
        EXPECT_FALSE(plan.FindSystemHives()) << files.front();
        EXPECT_TRUE(plan.HivePath(L"HKEY_LOCAL_MACHINE\\SYSTEM").empty());
    }
}

}  // namespace
