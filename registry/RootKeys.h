#pragma once
// The four roots that a search walks, and how a path names one.
#include <windows.h>

struct RootKey {
    HKEY key;
    const char* name;
};
extern const RootKey g_rootKeys[4];

// The root that path begins with, by its long name or its abbreviation
// (HKCR, HKCU, HKLM, HKU), in any case, followed by the end of path or "\";
// *below receives the rest after that "\" (empty for a bare root). Null when
// path names no root. The same for either width.
template <typename Char>
const RootKey* FindRootOf(const Char* path, const Char** below);

// True for HKEY_CLASSES_ROOT and the other predefined keys, which are never
// closed (opening one with no sub-key name hands back the same handle).
bool IsPredefinedKey(HKEY key);
