#pragma once
// Which hive files of an offline Windows (kestrin-find /O ROOT) stand at
// which keys, and which keys link into another mount's hive, so that the
// search sees the registry as that Windows showed it while it ran. ROOT is
// the folder that holds the installation's Windows folder. Names are
// matched without regard to case at every level, since a Linux mount keeps
// whatever case it found. Every folder's and hive's real place is checked
// before it is read: nothing outside ROOT is used, wherever a link points.
// A hive reached by two paths is mounted once, at the first key that
// claims it. Nothing here depends on the platform.
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "hiveregistry/OfflineFolders.h"

// One entry of SOFTWARE's profile list.
struct OfflineProfile {
    std::wstring sid;
    std::wstring imagePath;  // ProfileImagePath as stored
};

struct OfflineHive {
    std::wstring key;
    std::wstring path;  // relative to the root, real
};

// key shows the key target (relative to its hive's root, "" for the root)
// of the hive mounted at sourceKey.
struct OfflineLink {
    std::wstring key;
    std::wstring sourceKey;
    std::wstring target;
};

class OfflineWindows {
public:
    explicit OfflineWindows(OfflineFolders* folders);
    // Finds the hives of Windows\System32\config. False when neither SYSTEM
    // nor SOFTWARE is there.
    bool FindSystemHives();
    // The path, relative to the root, of the hive mounted at key (SOFTWARE's
    // and SYSTEM's: the caller reads the profile list, Select and names from
    // them); empty when none is.
    std::wstring HivePath(const std::wstring& key) const;
    // Adds the users' hives: the profiles' first, then those of folders no
    // profile names.
    void FindUserHives(const std::vector<OfflineProfile>& profiles);
    // Adds the links of the users' hives: S-1-5-18 and each user's
    // Software\Classes. CurrentControlSet is the SYSTEM hive's own, which
    // its reader links for /H as well.
    void AddLinks();
    // HKEY_LOCAL_MACHINE's keys before HKEY_USERS's, each sorted by key
    // without regard to case.
    const std::vector<OfflineHive>& Hives() const { return m_hives; }
    const std::vector<OfflineLink>& Links() const { return m_links; }
    // Lines for standard error, without prefix or line end.
    const std::vector<std::wstring>& Notes() const { return m_notes; }

private:
    static constexpr const wchar_t* kUsers = L"HKEY_USERS\\";
    static constexpr const wchar_t* kLocalSystem = L"S-1-5-18";

    // The real path of relative (names between '\\', matched without regard
    // to case) below the real folder start, when it is a folder (or a file,
    // as folder says) inside the root.
    bool Find(const std::wstring& start, const std::wstring& relative, bool folder, std::wstring* real);
    bool FindChild(const std::wstring& folder, const std::wstring& name, bool wantFolder, std::wstring* real);
    const std::vector<OfflineFolders::Entry>& Listing(const std::wstring& folder);
    // Mounts the hive at path at key, unless the key or the file is taken
    // already: then a note says so, and the result is false.
    bool Mount(const std::wstring& key, const std::wstring& path);
    static std::wstring Joined(const std::wstring& folder, const std::wstring& name);
    void Sort();

    // The users' part (OfflineWindowsUsers.cpp).
    void AddProfile(const OfflineProfile& profile);
    // Mounts the hives of the folders below top (real) whose NTUSER.DAT
    // is no profile's.
    void AddUnnamedFolders(const std::wstring& top);
    void AddUnnamedUser(const std::wstring& top, const std::wstring& name);
    // Mounts the classes hive of the user at userKey, whose profile folder
    // is folder, at userKey + "_Classes".
    void AddClasses(const std::wstring& userKey, const std::wstring& folder);

    OfflineFolders* m_folders;
    std::vector<OfflineHive> m_hives;
    std::vector<OfflineLink> m_links;
    std::vector<std::wstring> m_notes;
    std::set<std::wstring> m_keys;   // folded: keys that hives or links hold
    std::map<std::wstring, std::wstring> m_files;  // the real path of each hive mounted, its key
    std::vector<std::pair<std::wstring, std::wstring>> m_classes;  // user key, classes key
    std::map<std::wstring, std::vector<OfflineFolders::Entry>> m_listings;  // by real folder
};
