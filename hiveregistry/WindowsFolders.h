#pragma once
// The folders of an offline Windows (OfflineFolders) through Win32, below
// the root as the user gave it to kestrin-find /O: a drive (E:\), a folder,
// a Linux mount under Wine (Z:\mnt\win), or a relative path. Every access
// starts from the root's final path (\\?\E:\...), so that long paths work
// and names from listings are used exactly as found.
#include <windows.h>
#include <string>
#include <vector>

#include "hiveregistry/OfflineFolders.h"

class WindowsFolders : public OfflineFolders {
public:
    explicit WindowsFolders(std::wstring root);
    // Checks that the root exists and is a folder, and finds where it
    // really lies. False with *error the platform's code.
    bool Open(DWORD* error);
    // The platform's path of path (relative to the root): what opens it.
    std::wstring Full(const std::wstring& path) const;

    std::vector<Entry> List(const std::wstring& folder) override;
    bool RealPath(const std::wstring& path, std::wstring* real) override;

private:
    std::wstring m_root;    // as given
    std::wstring m_real;    // its final path
    std::wstring m_prefix;  // m_real folded, ending in '\\': what a path inside it starts with
};
