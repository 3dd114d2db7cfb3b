#include "engine/StartKeys.h"

#include <cstring>

#include "base/Mbcs.h"
#include "base/TextTraits.h"
#include "registry/RegKey.h"
#include "registry/RootKeys.h"

namespace {

template <typename Char>
using Text = std::basic_string<Char>;

// The key's path upper-cased for comparison, with a final "\" so that a
// prefix test tells keys apart: "A\B\" lies within "A\" but "A\BC\" does
// not lie within "A\B\".
template <typename Char>
Text<Char> ComparisonForm(const Text<Char>& path) {
    const Text<Char> key = path + Char('\\');
    Text<Char> upper(key.size() + 1, Char());
    TextOf<Char>::Type::CopyUpper(&upper[0], upper.size(), key.c_str());
    upper.resize(TextOf<Char>::Type::Length(upper.c_str()));
    return upper;
}

// True when key equals other or lies below it (both in comparison form).
template <typename Char>
bool IsWithin(const Text<Char>& key, const Text<Char>& other) { return key.compare(0, other.size(), other) == 0; }

// The key spelled with the root's long name, or empty when path names no root
// or is too long to walk.
template <typename Char>
Text<Char> CanonicalPath(const Text<Char>& given, const RootKey** root, Text<Char>* below) {
    using T = typename TextOf<Char>::Type;
    const Char* rest = nullptr;
    *root = FindRootOf(given.c_str(), &rest);
    if (!*root) return Text<Char>();
    *below = rest;
    // Backslashes at the end name no key of their own; one inside a double-
    // byte character is not a separator and stays.
    while (!below->empty() && T::FindLast(below->c_str(), Char('\\')) == below->c_str() + below->size() - 1)
        below->pop_back();
    Text<Char> path = Widened<Char>((*root)->name);
    if (!below->empty()) path += Char('\\') + *below;
    return path.size() <= T::kMaxPath ? path : Text<Char>();
}

}  // namespace

template <typename Char>
bool ResolveStartKeys(IRegistry<Char>& registry, const std::vector<Text<Char>>& given,
                      std::vector<Text<Char>>* keys, Text<Char>* failed) {
    std::vector<Text<Char>> paths, forms;
    for (const Text<Char>& key : given) {
        const RootKey* root = nullptr;
        Text<Char> below;
        Text<Char> path = CanonicalPath(key, &root, &below);
        HKEY opened = nullptr;
        if (path.empty() || registry.OpenKey(root->key, below.empty() ? nullptr : below.c_str(), below.size(),
                                             &opened) != ERROR_SUCCESS) {
            *failed = key;
            return false;
        }
        RegKey(registry, opened).reset();  // it exists; the walk opens it again
        paths.push_back(path);
        forms.push_back(ComparisonForm(path));
    }
    keys->clear();
    for (size_t i = 0; i < paths.size(); ++i) {
        bool covered = false;
        for (size_t j = 0; j < paths.size() && !covered; ++j) {
            if (j == i || !IsWithin(forms[i], forms[j])) continue;
            // Equal keys: the first one stays; a key inside another: the outer one stays.
            covered = forms[i].size() > forms[j].size() || j < i;
        }
        if (!covered) keys->push_back(paths[i]);
    }
    return true;
}

template bool ResolveStartKeys<char>(INarrowRegistry&, const std::vector<std::string>&, std::vector<std::string>*,
                                     std::string*);
template bool ResolveStartKeys<wchar_t>(IWideRegistry&, const std::vector<std::wstring>&,
                                        std::vector<std::wstring>*, std::wstring*);
