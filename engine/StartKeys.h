#pragma once
// Start keys: parts of the registry that a search walks instead of the four
// roots.
#include <string>
#include <vector>

#include "registry/Registry.h"

// Turns start keys as a user gave them into the walk's list: each root name
// spelled out in full, backslashes at the end dropped, the key opened once
// for reading (and closed again) to prove that it exists; a key given twice,
// or one inside another given key, is kept only once, where the first or the
// outer one stands. On failure *failed is the key as given and the result is
// false; nothing else is touched.
// The wide form does the same through the wide calls, comparing by ordinal
// case folding.
template <typename Char>
bool ResolveStartKeys(IRegistry<Char>& registry, const std::vector<std::basic_string<Char>>& given,
                      std::vector<std::basic_string<Char>>* keys, std::basic_string<Char>* failed);
