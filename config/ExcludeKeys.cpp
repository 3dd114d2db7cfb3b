// Keys that searches skip: loaded from the settings file's section, grown by
// every key the walk cannot read, saved whole after a search that grew it.
#include <windows.h>
#include <cstring>

#include "base/Mbcs.h"
#include "engine/RegKeyTools.h"

namespace {

constexpr char kExcludeFileName[] = "ExcludeKeys.txt";
constexpr DWORD kSectionSize = 26002;
constexpr DWORD kLargestSection = 64u << 20;

std::string Folded(const char* entry) {
    std::string folded;
    mbcs::FoldCase(entry, &folded);
    return folded;
}

void FoldWide(const wchar_t* entry, std::wstring* folded) {
    folded->assign(entry);
    for (wchar_t& c : *folded) c = UpperOrdinal(c);
}

// Reads a whole section as the platform hands it: strings one after the
// other, each with its terminator. The platform cuts a section that does not
// fit and then answers the buffer size minus two; such a section is read
// again into a larger buffer so that it is loaded whole.
template <typename Char, typename Read>
std::basic_string<Char> ReadSection(Read read) {
    std::basic_string<Char> section;
    for (DWORD size = kSectionSize; size <= kLargestSection; size *= 2) {
        section.assign(size, Char());
        DWORD count = read(&section[0], size);
        if (count != size - 2) {
            section.resize(count);
            break;
        }
    }
    return section;
}

// Calls add with each non-empty string of a section.
template <typename Char, typename Add>
void ForEachEntry(const std::basic_string<Char>& section, Add add) {
    for (size_t at = 0; at < section.size();) {
        size_t end = section.find(Char(), at);
        if (end == std::basic_string<Char>::npos) end = section.size();
        if (end != at) add(section.substr(at, end - at));
        at = end + 1;
    }
}

}  // namespace

void CRegKeyTools::LoadExcludeKeys(const char* settingsPath) {
    const std::string section = ReadSection<char>([&](char* buffer, DWORD size) {
        return ::GetPrivateProfileSectionA(kExcludeKeysSection, buffer, size, settingsPath);
    });
    ForEachEntry(section, [&](const std::string& entry) {
        m_excludeKeys.push_back(entry);
        m_excludeKeyIndex.insert(Folded(entry.c_str()));
    });
}

// The section read again through the wide calls, so that an entry outside
// the ANSI code page keeps its characters; once per engine.
void CRegKeyTools::LoadWideExcludeKeys() {
    if (m_wideExcludeKeysRead) return;
    m_wideExcludeKeysRead = true;
    std::wstring settingsPath;
    int length = ::MultiByteToWideChar(CP_ACP, 0, m_settingsFileName, -1, nullptr, 0);
    if (length <= 0) return;
    settingsPath.assign(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, m_settingsFileName, -1, &settingsPath[0], length);
    const std::wstring sectionName(kExcludeKeysSection, kExcludeKeysSection + std::strlen(kExcludeKeysSection));
    const std::wstring section = ReadSection<wchar_t>([&](wchar_t* buffer, DWORD size) {
        return ::GetPrivateProfileSectionW(sectionName.c_str(), buffer, size, settingsPath.c_str());
    });
    ForEachEntry(section, [&](const std::wstring& entry) {
        m_wideExcludeKeys.push_back(entry);
        FoldWide(entry.c_str(), &m_wideExcludeKeyProbe);
        m_wideExcludeKeyIndex.insert(m_wideExcludeKeyProbe);
    });
}

int CRegKeyTools::IsExcludedKey(const wchar_t* path) const {
    if (m_wideExcludeKeyIndex.empty()) return 0;
    FoldWide(path, &m_wideExcludeKeyProbe);
    return m_wideExcludeKeyIndex.count(m_wideExcludeKeyProbe) != 0 ? 1 : 0;
}

void CRegKeyTools::AddExcludeKey(const wchar_t* path) {
    try {
        m_wideExcludeKeys.emplace_back(path);
        FoldWide(path, &m_wideExcludeKeyProbe);
        m_wideExcludeKeyIndex.insert(m_wideExcludeKeyProbe);
        m_excludeKeysChanged = 1;
    } catch (...) {
        // Without memory the key is only not remembered; the walk goes on.
    }
}

int CRegKeyTools::IsExcludedKey(const char* path) const {
    if (m_excludeKeyIndex.empty()) return 0;
    mbcs::FoldCase(path, &m_excludeKeyProbe);
    return m_excludeKeyIndex.count(m_excludeKeyProbe) != 0 ? 1 : 0;
}

void CRegKeyTools::AddExcludeKey(const char* path) {
    try {
        m_excludeKeys.emplace_back(path);
        try {
            m_excludeKeyIndex.insert(Folded(path));
        } catch (...) {
            m_excludeKeys.pop_back();
            throw;
        }
        m_excludeKeysChanged = 1;
    } catch (...) {
        // Without memory the key is only not remembered; the walk goes on.
    }
}

void CRegKeyTools::SaveExcludeKeys() {
    if (!m_excludeKeysChanged || m_excludeKeys.empty()) return;
    m_fileData.m_fileName = kExcludeFileName;
    if (m_fileData.Open(0)) {
        for (const std::string& entry : m_excludeKeys) {
            WriteRawText(entry.c_str());
            WriteRawText("\r\n");
        }
        m_fileData.Close();
    }
    m_fileData.m_fileName = nullptr;
    m_excludeKeysChanged = 0;
}

// ExcludeKeys.txt in UTF-16LE with a byte-order mark, as the platform's
// Unicode text files are; the settings file is left as it is.
void CRegKeyTools::SaveWideExcludeKeys() {
    if (!m_excludeKeysChanged || m_wideExcludeKeys.empty()) return;
    m_fileData.m_fileName = kExcludeFileName;
    if (m_fileData.Open(0)) {
        WriteRawText(L"\xFEFF");
        for (const std::wstring& entry : m_wideExcludeKeys) {
            WriteRawText(entry.c_str());
            WriteRawText(L"\r\n");
        }
        m_fileData.Close();
    }
    m_fileData.m_fileName = nullptr;
    m_excludeKeysChanged = 0;
}
