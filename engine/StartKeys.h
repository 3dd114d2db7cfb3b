#pragma once
// Start keys: parts of the registry that a search walks instead of the four
// roots.
#include <string>
#include <vector>

#include "engine/RegistryApi.h"

struct RootKey;

// The root that path begins with, by its long name or its abbreviation
// (HKCR, HKCU, HKLM, HKU), in any case, followed by the end of path or "\";
// *below receives the rest after that "\" (empty for a bare root). Null when
// path names no root.
// The same for either width.
template <typename Char>
const RootKey* FindRootOf(const Char* path, const Char** below);

// Turns start keys as a user gave them into the walk's list: each root name
// spelled out in full, backslashes at the end dropped, the key opened once
// for reading (and closed again) to prove that it exists; a key given twice,
// or one inside another given key, is kept only once, where the first or the
// outer one stands. On failure *failed is the key as given and the result is
// false; nothing else is touched.
// The wide form does the same through the wide calls, comparing by ordinal
// case folding.
template <typename Char>
bool ResolveStartKeys(IRegistryDoor<Char>& registry, const std::vector<std::basic_string<Char>>& given,
                      std::vector<std::basic_string<Char>>* keys, std::basic_string<Char>* failed);
