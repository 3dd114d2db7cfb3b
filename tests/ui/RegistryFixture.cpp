#include "ui/RegistryFixture.h"

#include "base/ExecutableFolder.h"

namespace ui {

namespace {

constexpr char kClasses[] = "Software\\Classes\\";

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

std::string UniqueToken() { return "qzTok" + testsupport::UniqueSuffix(); }

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

std::string ShellRecorderCommand(const std::string& record) {
    ::SetEnvironmentVariableA("KESTRIN_SHELL_RECORD", record.c_str());
    return "\"" + ExecutableFolder() + "\\shell_recorder.exe\" \"%1\"";
}

std::string ShellVerbCommand(const std::string& key, const std::string& verb) {
    std::string command;
    ReadDefault(HKEY_LOCAL_MACHINE, kClasses + key + "\\shell\\" + verb + "\\command", command);
    return command;
}

}  // namespace ui
