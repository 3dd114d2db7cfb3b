// The five options in the settings file beside the executable.
#include <windows.h>
#include <cstring>
#include <string>

#include "config/Settings.h"

#include "base/Mbcs.h"
#include "base/OnOffText.h"
#include "config/ExclusionList.h"
#include "base/FileData.h"
#include "errors/ReportError.h"

namespace {

constexpr char kOptionsSection[] = "Options";
constexpr char kModuleContext[] = "CRegKeyTools::ReadSettings() in GetModuleFileName";
constexpr size_t kValueSize = 26002;

struct OptionKey {
    const char* name;
    int32_t* OptionFlags::*flag;
    const char* defaultText;
};

constexpr OptionKey kOptionKeys[] = {
    {"Keys", &OptionFlags::lookAtKeys, "On"},
    {"Values", &OptionFlags::lookAtValues, "On"},
    {"Data", &OptionFlags::lookAtData, "Off"},
    {"WholeString", &OptionFlags::wholeString, "Off"},
    {"MatchCase", &OptionFlags::matchCase, "Off"},
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

CSettings::CSettings(const char* path) {
    if (path) m_override = path;
}

int CSettings::GetFileName() {
    if (m_fileName[0]) return 1;
    if (!m_override.empty()) {
        if (m_override.size() >= sizeof m_fileName) return 0;
        std::memcpy(m_fileName, m_override.c_str(), m_override.size() + 1);
    } else {
        DWORD length = ::GetModuleFileNameA(nullptr, m_fileName, sizeof m_fileName);
        // A path that does not fit is cut by the platform: no file name to use.
        if (length == 0 || length >= sizeof m_fileName ||
            !MakeSettingsPath(m_fileName, sizeof m_fileName)) {
            DWORD error = length ? ERROR_FILENAME_EXCED_RANGE : ::GetLastError();
            m_fileName[0] = '\0';
            ReportError(static_cast<int32_t>(error), kModuleContext);
            return 0;
        }
    }
    if (::GetFileAttributesA(m_fileName) == INVALID_FILE_ATTRIBUTES) {
        // Created only when absent: a file that appears meanwhile is kept.
        // A file object of its own, so that an open report is not touched
        // and the text is ANSI whatever this run's report is.
        CFileData settings;
        if (settings.OpenNew(m_fileName)) {
            const std::string text = std::string("[") + ExclusionList::kSection + "]\r\n\r\n";
            auto count = static_cast<uint32_t>(text.size());
            settings.Write(text.data(), &count);
        }
        settings.Close();
    }
    return 1;
}

int CSettings::ReadOptions(const OptionFlags& flags) {
    if (!GetFileName()) return 0;
    std::string value(kValueSize, '\0');
    for (const OptionKey& option : kOptionKeys) {
        DWORD length = ::GetPrivateProfileStringA(kOptionsSection, option.name, option.defaultText,
                                                  &value[0], kValueSize, m_fileName);
        if (length != 0) *(flags.*option.flag) = IsOnText(&value[0], kValueSize);
    }
    return 1;
}

void CSettings::WriteOptions(const OptionFlags& flags) {
    if (!GetFileName()) return;
    for (const OptionKey& option : kOptionKeys)
        ::WritePrivateProfileStringA(kOptionsSection, option.name, OnOffText(*(flags.*option.flag)), m_fileName);
}

int CSettings::IsOnText(char* text, size_t size) {
    if (!text || size == 0) return 0;
    text[size - 1] = '\0';
    mbcs::UpperAsciiInPlace(text, size);
    return (mbcs::FindSubstring(text, "ON") || mbcs::FindSubstring(text, "YES")) ? 1 : 0;
}
