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

}  // namespace

void CRegKeyTools::LoadExcludeKeys(const char* settingsPath) {
    // The platform cuts a section that does not fit and then answers the
    // buffer size minus two; such a section is read again into a larger
    // buffer so that it is loaded whole.
    std::string section;
    DWORD count = 0;
    for (DWORD size = kSectionSize; size <= kLargestSection; size *= 2) {
        section.assign(size, '\0');
        count = ::GetPrivateProfileSectionA(kExcludeKeysSection, &section[0], size, settingsPath);
        if (count != size - 2) break;
    }
    for (size_t at = 0; at < count;) {
        size_t length = std::strlen(section.c_str() + at);
        if (length != 0) {
            m_excludeKeys.emplace_back(section, at, length);
            m_excludeKeyIndex.insert(Folded(m_excludeKeys.back().c_str()));
        }
        at += length + 1;
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
