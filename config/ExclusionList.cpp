#include "config/ExclusionList.h"

#include <windows.h>
#include <cstring>
#include <iterator>
#include <type_traits>

#include "base/Mbcs.h"
#include "base/FileData.h"

namespace {

constexpr char kExcludeFileName[] = "ExcludeKeys.txt";
constexpr DWORD kSectionSize = 26002;
constexpr DWORD kLargestSection = 64u << 20;

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

// The section in the width of Char. The wide calls read it again, so that
// an entry outside the ANSI code page keeps its characters.
template <typename Char>
std::basic_string<Char> SectionOf(const char* settingsPath) {
    if constexpr (std::is_same_v<Char, wchar_t>) {
        const std::wstring path = mbcs::ToWide(settingsPath, std::strlen(settingsPath));
        if (path.empty()) return std::wstring();
        const std::wstring sectionName(ExclusionList::kSection, std::end(ExclusionList::kSection) - 1);
        return ReadSection<wchar_t>([&](wchar_t* buffer, DWORD size) {
            return ::GetPrivateProfileSectionW(sectionName.c_str(), buffer, size, path.c_str());
        });
    } else {
        return ReadSection<char>([&](char* buffer, DWORD size) {
            return ::GetPrivateProfileSectionA(ExclusionList::kSection, buffer, size, settingsPath);
        });
    }
}

}  // namespace

template <typename Char>
void ExclusionList::Load(const char* settingsPath) {
    ExclusionEntries<Char>& entries = Of<Char>();
    if (!entries.TakeFirstLoad()) return;
    ForEachEntry(SectionOf<Char>(settingsPath),
                 [&](const std::basic_string<Char>& entry) { entries.Add(entry.c_str()); });
}

// The narrow list in the ANSI code page; the wide one in UTF-16LE with a
// byte-order mark, as the platform's Unicode text files are. The settings
// file is left as it is.
template <typename Char>
void ExclusionList::Save() {
    const std::vector<std::basic_string<Char>>& entries = Of<Char>().List();
    if (!m_changed || entries.empty()) return;
    std::basic_string<Char> byteOrderMark;
    if constexpr (std::is_same_v<Char, wchar_t>) byteOrderMark = L"\xFEFF";
    WriteExcludeFile(byteOrderMark, entries);
    m_changed = false;
}

template void ExclusionList::Load<char>(const char*);
template void ExclusionList::Load<wchar_t>(const char*);
template void ExclusionList::Save<char>();
template void ExclusionList::Save<wchar_t>();
