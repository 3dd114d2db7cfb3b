// The five options in the settings file beside the executable: read once when
// the engine is built, written once when it goes, and only after a change.
#include <windows.h>
#include <cstring>
#include <string>

#include "base/Mbcs.h"
#include "engine/RegKeyTools.h"
#include "errors/ReportError.h"

namespace {

constexpr char kOptionsSection[] = "Options";
constexpr char kModuleContext[] = "CRegKeyTools::ReadSettings() in GetModuleFileName";
constexpr size_t kValueSize = 26002;

struct OptionKey {
    const char* name;
    int32_t CRegKeyTools::*flag;
    const char* defaultText;
};

constexpr OptionKey kOptionKeys[] = {
    {"Keys", &CRegKeyTools::m_lookAtKeys, "On"},
    {"Values", &CRegKeyTools::m_lookAtValues, "On"},
    {"Data", &CRegKeyTools::m_lookAtData, "Off"},
    {"WholeString", &CRegKeyTools::m_wholeString, "Off"},
    {"MatchCase", &CRegKeyTools::m_matchCase, "Off"},
};

// Replaces the executable's extension by "ini"; a name without one gets
// ".ini". Only a dot in the file name itself counts, not one in a folder.
bool MakeSettingsPath(char* path, size_t capacity) {
    const char* dot = mbcs::FindLast(path, '.');
    const char* slash = mbcs::FindLast(path, '\\');
    size_t stem = (dot && (!slash || dot > slash)) ? static_cast<size_t>(dot - path) : std::strlen(path);
    if (stem + sizeof ".ini" > capacity) return false;
    std::memcpy(path + stem, ".ini", sizeof ".ini");
    return true;
}

}  // namespace

CRegKeyTools::CRegKeyTools(const char* settingsFile, IRegistryApi* registry) {
    m_narrow.registry = registry ? registry : &Win32RegistryApi();
    m_wide.registry = &Win32WideRegistryApi();
    m_fileData.m_openExisting = 0;
    if (settingsFile) m_settingsOverride = settingsFile;
    ReadSettings();
}

CRegKeyTools::~CRegKeyTools() {
    WriteSettings();
    CloseResultFile();
}

int CRegKeyTools::GetSettingsFileName() {
    if (m_settingsFileName[0]) return 1;
    if (!m_settingsOverride.empty()) {
        if (m_settingsOverride.size() >= sizeof m_settingsFileName) return 0;
        std::memcpy(m_settingsFileName, m_settingsOverride.c_str(), m_settingsOverride.size() + 1);
    } else {
        DWORD length = ::GetModuleFileNameA(nullptr, m_settingsFileName, sizeof m_settingsFileName);
        // A path that does not fit is cut by the platform: no file name to use.
        if (length == 0 || length >= sizeof m_settingsFileName ||
            !MakeSettingsPath(m_settingsFileName, sizeof m_settingsFileName)) {
            DWORD error = length ? ERROR_FILENAME_EXCED_RANGE : ::GetLastError();
            m_settingsFileName[0] = '\0';
            ReportError(static_cast<int32_t>(error), kModuleContext);
            return 0;
        }
    }
    if (::GetFileAttributesA(m_settingsFileName) == INVALID_FILE_ATTRIBUTES) {
        // Created only when absent: a file that appears meanwhile is kept.
        // A file object of its own, so that an open report is not touched
        // and the text is ANSI whatever this run's report is.
        CFileData settings;
        settings.m_fileName = m_settingsFileName;
        if (settings.OpenNew()) {
            const std::string text = std::string("[") + kExcludeKeysSection + "]\r\n\r\n";
            auto count = static_cast<uint32_t>(text.size());
            settings.Write(text.data(), &count, -1);
        }
        settings.Close();
    }
    return 1;
}

int CRegKeyTools::ReadSettings() {
    if (!GetSettingsFileName()) return 0;
    LoadExcludeKeys(m_settingsFileName);
    std::string value(kValueSize, '\0');
    for (const OptionKey& option : kOptionKeys) {
        DWORD length = ::GetPrivateProfileStringA(kOptionsSection, option.name, option.defaultText,
                                                  &value[0], kValueSize, m_settingsFileName);
        if (length != 0) this->*option.flag = IsOnText(&value[0], kValueSize);
    }
    return 1;
}

void CRegKeyTools::WriteSettings() {
    if (!m_settingsChanged || !GetSettingsFileName()) return;
    for (const OptionKey& option : kOptionKeys)
        ::WritePrivateProfileStringA(kOptionsSection, option.name, OnOffText(this->*option.flag),
                                     m_settingsFileName);
}

int CRegKeyTools::IsOnText(char* text, size_t size) {
    if (!text || size == 0) return 0;
    text[size - 1] = '\0';
    mbcs::UpperAsciiInPlace(text, size);
    return (mbcs::FindSubstring(text, "ON") || mbcs::FindSubstring(text, "YES")) ? 1 : 0;
}
