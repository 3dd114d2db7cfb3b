#pragma once
// A registry subtree that a test owns: HKEY_CURRENT_USER\Software\<unique
// name>, built with the narrow functions in the process's ANSI code page and
// deleted with everything below it when the object goes. Only tests write to
// the registry; the product never does.
#include <windows.h>
#include <string>

#include "support/TempDir.h"

namespace testsupport {

class RegistryTestKey {
public:
    explicit RegistryTestKey(const char* tag)
        : m_name(std::string("KestrinTest ") + tag + " " + UniqueSuffix()) {
        m_ok = ::RegCreateKeyExA(HKEY_CURRENT_USER, SoftwarePath().c_str(), 0, nullptr, 0,
                                 KEY_ALL_ACCESS, nullptr, &m_root, nullptr) == ERROR_SUCCESS;
    }
    ~RegistryTestKey() {
        if (m_root) ::RegCloseKey(m_root);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, SoftwarePath().c_str());
    }
    RegistryTestKey(const RegistryTestKey&) = delete;
    RegistryTestKey& operator=(const RegistryTestKey&) = delete;

    // False when the subtree could not be created or a later write failed.
    bool ok() const { return m_ok; }
    const std::string& name() const { return m_name; }
    std::string SoftwarePath() const { return "Software\\" + m_name; }
    // The subtree's path as the search writes it below HKEY_CURRENT_USER.
    std::string CurrentUserPath() const { return "HKEY_CURRENT_USER\\" + SoftwarePath(); }

    // Creates sub (a path relative to the subtree, "" for the subtree itself).
    void Key(const std::string& sub) { WithKey(sub, [](HKEY) { return true; }); }

    // A key whose name is given in UTF-16, for names the ANSI code page
    // lacks. Returns the name as the narrow functions spell it (with "?" for
    // what the code page lacks), under which the key cannot be opened.
    std::string KeyW(const std::wstring& sub) {
        HKEY key = nullptr;
        m_ok = m_ok && ::RegCreateKeyExW(m_root, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                         &key, nullptr) == ERROR_SUCCESS;
        if (key) ::RegCloseKey(key);
        char narrow[512] = "";
        ::WideCharToMultiByte(CP_ACP, 0, sub.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
        return narrow;
    }

    // A string value in UTF-16, stored with its terminator, under a key and
    // a value name in UTF-16 too.
    void StringW(const std::wstring& sub, const std::wstring& name, const std::wstring& text) {
        HKEY key = nullptr;
        m_ok = m_ok && ::RegCreateKeyExW(m_root, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                         nullptr) == ERROR_SUCCESS;
        m_ok = m_ok && ::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
        if (key) ::RegCloseKey(key);
    }

    // Stores exactly these bytes under the value name (nullptr: default value).
    void Raw(const std::string& sub, const char* name, DWORD type, const std::string& bytes) {
        WithKey(sub, [&](HKEY key) {
            return ::RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                    static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
        });
    }

    // A string value stored with its terminator, as applications store them.
    void String(const std::string& sub, const char* name, const std::string& text, DWORD type = REG_SZ) {
        Raw(sub, name, type, text + std::string(1, '\0'));
    }

    // The HKEY_USERS child through which the subtree is seen again (the
    // user's SID in a real profile); empty when none or several show it.
    std::string UserHiveName() const {
        std::string found;
        char child[256];
        for (DWORD index = 0;; ++index) {
            DWORD length = sizeof child;
            if (::RegEnumKeyExA(HKEY_USERS, index, child, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            HKEY probe = nullptr;
            std::string path = std::string(child) + "\\" + SoftwarePath();
            if (::RegOpenKeyExA(HKEY_USERS, path.c_str(), 0, KEY_READ, &probe) != ERROR_SUCCESS) continue;
            ::RegCloseKey(probe);
            if (!found.empty()) return std::string();
            found = child;
        }
        return found;
    }

    // The subtree's path as the search writes it below HKEY_USERS.
    std::string UsersPath() const { return "HKEY_USERS\\" + UserHiveName() + "\\" + SoftwarePath(); }

private:
    template <typename Action>
    void WithKey(const std::string& sub, Action action) {
        HKEY key = nullptr;
        bool ok = ::RegCreateKeyExA(m_root, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                    nullptr) == ERROR_SUCCESS;
        if (ok) ok = action(key);
        if (key) ::RegCloseKey(key);
        m_ok = m_ok && ok;
    }

    std::string m_name;
    HKEY m_root = nullptr;
    bool m_ok = false;
};

}  // namespace testsupport
