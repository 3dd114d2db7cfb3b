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

// m_keyPath's capacity: a longer start key could never be walked.
constexpr size_t kMaxPath = 1299;

// The key's path upper-cased for comparison, with a final "\" so that a
// prefix test tells keys apart: "A\B\" lies within "A\" but "A\BC\" does
// not lie within "A\B\".
std::string ComparisonForm(const std::string& path) {
    std::string upper = path + "\\";
    upper.push_back('\0');
    mbcs::UpperInPlace(&upper[0], upper.size());
    upper.resize(std::strlen(upper.c_str()));
    return upper;
}

// True when key equals other or lies below it (both in comparison form).
bool IsWithin(const std::string& key, const std::string& other) { return key.compare(0, other.size(), other) == 0; }

// The key spelled with the root's long name, or empty when path names no root
// or is too long to walk.
std::string CanonicalPath(const std::string& given, const RootKey** root, std::string* below) {
    const char* rest = nullptr;
    *root = FindRootOf(given.c_str(), &rest);
    if (!*root) return std::string();
    *below = rest;
    // Backslashes at the end name no key of their own; one inside a double-
    // byte character is not a separator and stays.
    while (!below->empty() && mbcs::FindLast(below->c_str(), '\\') == below->c_str() + below->size() - 1)
        below->pop_back();
    std::string path = below->empty() ? (*root)->name : std::string((*root)->name) + "\\" + *below;
    return path.size() <= kMaxPath ? path : std::string();
}

}  // namespace

const RootKey* FindRootOf(const char* path, const char** below) {
    const char* separator = std::strchr(path, '\\');
    const std::string head = separator ? std::string(path, separator) : std::string(path);
    *below = separator ? separator + 1 : path + head.size();
    for (const RootKey& root : g_rootKeys)
        if (mbcs::EqualNoCase(head.c_str(), root.name)) return &root;
    for (const RootAlias& alias : kRootAliases)
        if (mbcs::EqualNoCase(head.c_str(), alias.alias)) return &g_rootKeys[alias.root];
    return nullptr;
}

bool ResolveStartKeys(IRegistryApi& registry, const std::vector<std::string>& given,
                      std::vector<std::string>* keys, std::string* failed) {
    std::vector<std::string> paths, forms;
    for (const std::string& key : given) {
        const RootKey* root = nullptr;
        std::string below;
        std::string path = CanonicalPath(key, &root, &below);
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

int CRegKeyTools::SearchStartKey(const std::string& path) {
    const char* rest = nullptr;
    const RootKey* root = FindRootOf(path.c_str(), &rest);
    if (!root) return 0;
    if (!*rest) return SearchRoot(*root);
    // The start key is walked as the sub-key of its parent, so that its own
    // name is what a key-name search matches, and the exclusion list and
    // failures treat it like any key below a root.
    const char* separator = mbcs::FindLast(path.c_str(), '\\');  // the one after the root at least
    RegKey parent;
    HKEY parentKey = root->key;
    if (separator >= rest) {
        HKEY opened = nullptr;
        if (m_registry.OpenKey(root->key, std::string(rest, separator).c_str(), &opened) != ERROR_SUCCESS)
            return 0;
        parent = RegKey(m_registry, opened);
        parentKey = opened;
    }
    m_keyPathLength = mbcs::CopyBounded(m_keyPath, sizeof m_keyPath, std::string(path.c_str(), separator).c_str());
    return SearchKey(parentKey, separator + 1);
}
