#include "registry/RootKeys.h"

#include <string>

#include "base/TextTraits.h"

const RootKey g_rootKeys[4] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, "HKEY_USERS"},
};

namespace {

struct RootAlias {
    const char* alias;
    size_t root;  // index into g_rootKeys
};
constexpr RootAlias kRootAliases[] = {{"HKCR", 0}, {"HKCU", 1}, {"HKLM", 2}, {"HKU", 3}};

}  // namespace

template <typename Char>
const RootKey* FindRootOf(const Char* path, const Char** below) {
    using T = typename TextOf<Char>::Type;
    const Char* separator = path;
    while (*separator && *separator != Char('\\')) ++separator;
    const std::basic_string<Char> head(path, separator);
    *below = *separator ? separator + 1 : separator;
    for (const RootKey& root : g_rootKeys)
        if (T::EqualNoCase(head.c_str(), Widened<Char>(root.name).c_str())) return &root;
    for (const RootAlias& alias : kRootAliases)
        if (T::EqualNoCase(head.c_str(), Widened<Char>(alias.alias).c_str())) return &g_rootKeys[alias.root];
    return nullptr;
}

template const RootKey* FindRootOf<char>(const char*, const char**);
template const RootKey* FindRootOf<wchar_t>(const wchar_t*, const wchar_t**);

bool IsPredefinedKey(HKEY key) {
    // The predefined keys are small negative constants sign-extended to 64
    // bits: 0x80000000 (HKEY_CLASSES_ROOT) up to 0x80000007 and a few more.
    auto value = reinterpret_cast<LONG_PTR>(key);
    return value >= static_cast<LONG>(0x80000000) && value <= static_cast<LONG>(0x800000FF);
}
