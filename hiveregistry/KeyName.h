#pragma once
// Key names and paths as the hive key store compares them.
#include <cstddef>
#include <string>

#include "base/WideCase.h"
#include "hive/StoredName.h"

// True when the stored name equals length units of name by ordinal case
// folding, as the registry compares key names.
inline bool SameKeyName(const hive::StoredName& stored, const wchar_t* name, size_t length) {
    if (stored.Units() != length) return false;
    char16_t unit = 0;
    for (size_t i = 0; i < length; ++i) {
        if (!stored.UnitAt(i, &unit)) return false;
        // The walk opens each key by the very name it was handed: equal
        // units need no folding.
        const wchar_t own = static_cast<wchar_t>(unit);
        if (own != name[i] && UpperOrdinal(own) != UpperOrdinal(name[i])) return false;
    }
    return true;
}

// True when inner is outer or lies below it (both folded).
inline bool IsWithin(const std::wstring& inner, const std::wstring& outer) {
    return inner.size() >= outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
           (inner.size() == outer.size() || inner[outer.size()] == L'\\');
}
