#include "ui/RegistryFixture.h"

#include <atomic>
#include <cstdio>

namespace ui {

namespace {

constexpr char kTestRoot[] = "Software\\KestrinUiTests\\";
constexpr char kClasses[] = "Software\\Classes\\";
std::atomic<int> g_count{0};

std::string Unique(const char* stem) {
    char text[80];
    std::snprintf(text, sizeof text, "%s%lx%x%lx", stem, ::GetCurrentProcessId(), ++g_count, ::GetTickCount());
    return text;
}

bool ReadDefault(HKEY root, const std::string& path, std::string& value) {
    char buffer[1024];
    DWORD size = sizeof buffer;
    if (::RegGetValueA(root, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return false;
    value = buffer;
    return true;
}

bool WriteDefault(HKEY root, const std::string& path, const std::string& value) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = ::RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                               static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

}  // namespace

std::string UniqueToken() { return Unique("qzTok"); }

TestKey::TestKey() : m_path(kTestRoot + Unique("Run")) {
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key,
                          nullptr) != ERROR_SUCCESS)
        m_key = nullptr;
}

TestKey::~TestKey() {
    if (m_key) ::RegCloseKey(m_key);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
    ::RegDeleteKeyA(HKEY_CURRENT_USER, m_path.c_str());
}

bool TestKey::SetString(const std::string& name, const std::string& data) {
    return m_key && ::RegSetValueExA(m_key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                     static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
}

bool TestKey::AddSubKey(const std::string& name) {
    HKEY sub = nullptr;
    if (!m_key || ::RegCreateKeyExA(m_key, name.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &sub, nullptr) !=
                      ERROR_SUCCESS)
        return false;
    ::RegCloseKey(sub);
    return true;
}

ShellVerbOverride::ShellVerbOverride(const std::string& key, const std::string& verb, const std::string& command)
    : m_verbPath(kClasses + key + "\\shell\\" + verb) {
    m_hadCommand = ReadDefault(HKEY_LOCAL_MACHINE, m_verbPath + "\\command", m_oldCommand);
    if (command.empty()) {
        LONG rc = ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, m_verbPath.c_str());
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, m_verbPath.c_str());
        m_applied = rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
    } else {
        m_applied = WriteDefault(HKEY_LOCAL_MACHINE, m_verbPath + "\\command", command);
    }
}

ShellVerbOverride::~ShellVerbOverride() {
    if (m_hadCommand) {
        WriteDefault(HKEY_LOCAL_MACHINE, m_verbPath + "\\command", m_oldCommand);
    } else {
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, m_verbPath.c_str());
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, m_verbPath.c_str());
    }
}

std::string ShellVerbCommand(const std::string& key, const std::string& verb) {
    std::string command;
    ReadDefault(HKEY_LOCAL_MACHINE, kClasses + key + "\\shell\\" + verb + "\\command", command);
    return command;
}

}  // namespace ui
