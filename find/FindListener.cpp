#include "find/FindListener.h"

#include <string>

#include "base/Mbcs.h"

void FindListener::OnNotSearched(std::string_view keyPath, const char* name, DWORD nameLength) {
    const std::string value = name ? std::string(name, nameLength) : std::string();
    Notice(std::string(keyPath), name ? &value : nullptr);
}

// Standard error speaks the ANSI code page: the wide names are converted with
// best fit, as everything else on it.
void FindListener::OnNotSearched(std::wstring_view keyPath, const wchar_t* name, DWORD nameLength) {
    const std::string value = name ? mbcs::FromWide(std::wstring(name, nameLength)) : std::string();
    Notice(mbcs::FromWide(std::wstring(keyPath)), name ? &value : nullptr);
}

void FindListener::Notice(const std::string& keyPath, const std::string* name) {
    m_notSearched.store(true, std::memory_order_relaxed);
    const std::string what = !name ? "the key's name" : name->empty() ? "the default value" : "value \"" + *name + "\"";
    std::fprintf(m_notices, "kestrin-find: not searched, too hard for the regular expression: %s of %s\n",
                 what.c_str(), keyPath.c_str());
    std::fflush(m_notices);
}
