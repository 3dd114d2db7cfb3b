#include "config/ExclusionList.h"

#include <windows.h>
#include <cstring>

#include "base/Mbcs.h"
#include "base/WideCase.h"
#include "base/FileData.h"

namespace {

constexpr char kExcludeFileName[] = "ExcludeKeys.txt";
constexpr DWORD kSectionSize = 26002;
constexpr DWORD kLargestSection = 64u << 20;

std::string Folded(const char* entry) {
    std::string folded;
    mbcs::FoldCase(entry, &folded);
    return folded;
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

// Writes lines to ExcludeKeys.txt, replacing it; the first line may be a
// byte-order mark of its own.
template <typename Char>
void WriteExcludeFile(const std::basic_string<Char>& first, const std::vector<std::basic_string<Char>>& lines) {
    CFileData file;
    if (!file.Replace(kExcludeFileName)) return;
    auto write = [&](const std::basic_string<Char>& text) {
        auto count = static_cast<uint32_t>(text.size() * sizeof(Char));
        if (count) file.Write(text.data(), &count);
    };
    const Char lineEnd[] = {Char('\r'), Char('\n'), Char()};
    write(first);
    for (const std::basic_string<Char>& line : lines) {
        write(line);
        write(lineEnd);
    }
    file.Close();
}

void ExclusionList::Load(const char* settingsPath) {
    const std::string section = ReadSection<char>([&](char* buffer, DWORD size) {
        return ::GetPrivateProfileSectionA(kSection, buffer, size, settingsPath);
    });
    ForEachEntry(section, [&](const std::string& entry) {
        m_entries.push_back(entry);
        m_index.insert(Folded(entry.c_str()));
    });
}

// The section read again through the wide calls, so that an entry outside
// the ANSI code page keeps its characters.
void ExclusionList::LoadWide(const char* settingsFileName) {
    if (m_wideRead) return;
    m_wideRead = true;
    const std::wstring settingsPath = mbcs::ToWide(settingsFileName, std::strlen(settingsFileName));
    if (settingsPath.empty()) return;
    const std::wstring sectionName(kSection, kSection + std::strlen(kSection));
    const std::wstring section = ReadSection<wchar_t>([&](wchar_t* buffer, DWORD size) {
        return ::GetPrivateProfileSectionW(sectionName.c_str(), buffer, size, settingsPath.c_str());
    });
    ForEachEntry(section, [&](const std::wstring& entry) {
        m_wideEntries.push_back(entry);
        FoldOrdinal(entry.c_str(), &m_wideProbe);
        m_wideIndex.insert(m_wideProbe);
    });
}

int ExclusionList::IsExcluded(const wchar_t* path) const {
    if (m_wideIndex.empty()) return 0;
    FoldOrdinal(path, &m_wideProbe);
    return m_wideIndex.count(m_wideProbe) != 0 ? 1 : 0;
}

void ExclusionList::Add(const wchar_t* path) {
    try {
        m_wideEntries.emplace_back(path);
        FoldOrdinal(path, &m_wideProbe);
        m_wideIndex.insert(m_wideProbe);
        m_changed = true;
    } catch (...) {
        // Without memory the key is only not remembered; the walk goes on.
    }
}

int ExclusionList::IsExcluded(const char* path) const {
    if (m_index.empty()) return 0;
    mbcs::FoldCase(path, &m_probe);
    return m_index.count(m_probe) != 0 ? 1 : 0;
}

void ExclusionList::Add(const char* path) {
    try {
        m_entries.emplace_back(path);
        try {
            m_index.insert(Folded(path));
        } catch (...) {
            m_entries.pop_back();
            throw;
        }
        m_changed = true;
    } catch (...) {
        // Without memory the key is only not remembered; the walk goes on.
    }
}

void ExclusionList::Save() {
    if (!m_changed || m_entries.empty()) return;
    WriteExcludeFile(std::string(), m_entries);
    m_changed = false;
}

// In UTF-16LE with a byte-order mark, as the platform's Unicode text files
// are; the settings file is left as it is.
void ExclusionList::SaveWide() {
    if (!m_changed || m_wideEntries.empty()) return;
    WriteExcludeFile(std::wstring(1, L'\xFEFF'), m_wideEntries);
    m_changed = false;
}
