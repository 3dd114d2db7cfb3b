#include "engine/StartKeys.h"

#include <cstring>

#include "base/Mbcs.h"
#include "engine/RegKeyTools.h"

namespace {

struct RootAlias {
    const char* alias;
    size_t root;  // index into g_rootKeys
};
constexpr RootAlias kRootAliases[] = {{"HKCR", 0}, {"HKCU", 1}, {"HKLM", 2}, {"HKU", 3}};

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
const RootKey* FindRootOf(const Char* path, const Char** below) {
    using T = typename TextOf<Char>::Type;
    const Char* separator = path;
    while (*separator && *separator != Char('\\')) ++separator;
    const Text<Char> head(path, separator);
    *below = *separator ? separator + 1 : separator;
    for (const RootKey& root : g_rootKeys)
        if (T::EqualNoCase(head.c_str(), Widened<Char>(root.name).c_str())) return &root;
    for (const RootAlias& alias : kRootAliases)
        if (T::EqualNoCase(head.c_str(), Widened<Char>(alias.alias).c_str())) return &g_rootKeys[alias.root];
    return nullptr;
}

template <typename Char>
bool ResolveStartKeys(IRegistryDoor<Char>& registry, const std::vector<Text<Char>>& given,
                      std::vector<Text<Char>>* keys, Text<Char>* failed) {
    std::vector<Text<Char>> paths, forms;
    for (const Text<Char>& key : given) {
        const RootKey* root = nullptr;
        Text<Char> below;
        Text<Char> path = CanonicalPath(key, &root, &below);
        HKEY opened = nullptr;
        if (path.empty() ||
            registry.OpenKey(root->key, below.empty() ? nullptr : below.c_str(), &opened) != ERROR_SUCCESS) {
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

template <typename T>
int CRegKeyTools::SearchStartKey(const std::basic_string<typename T::Char>& path) {
    using Char = typename T::Char;
    const Char* rest = nullptr;
    const RootKey* root = FindRootOf(path.c_str(), &rest);
    if (!root) return 0;
    if (!*rest) return SearchRoot<T>(*root);
    // The start key is walked as the sub-key of its parent, so that its own
    // name is what a key-name search matches, and the exclusion list and
    // failures treat it like any key below a root.
    const Char* separator = T::FindLast(path.c_str(), Char('\\'));  // the one after the root at least
    IRegistryDoor<Char>& registry = *Side<T>().registry;
    RegKey parent;
    HKEY parentKey = root->key;
    if (separator >= rest) {
        HKEY opened = nullptr;
        if (registry.OpenKey(root->key, Text<Char>(rest, separator).c_str(), &opened) != ERROR_SUCCESS) return 0;
        parent = RegKey(registry, opened);
        parentKey = opened;
    }
    Side<T>().path.Assign(Text<Char>(path.c_str(), separator).c_str());
    return SearchKeyOf<T>(parentKey, separator + 1);
}

template const RootKey* FindRootOf<char>(const char*, const char**);
template bool ResolveStartKeys<char>(IRegistryApi&, const std::vector<std::string>&, std::vector<std::string>*,
                                     std::string*);
template bool ResolveStartKeys<wchar_t>(IWideRegistryApi&, const std::vector<std::wstring>&,
                                        std::vector<std::wstring>*, std::wstring*);
template int CRegKeyTools::SearchStartKey<NarrowText>(const std::string&);
template int CRegKeyTools::SearchStartKey<WideText>(const std::wstring&);
