#pragma once
// Keys that searches skip: loaded from the settings file's section, grown by
// every key the walk cannot read, saved whole to ExcludeKeys.txt after a
// search that grew it. Each width keeps its own list (ExclusionEntries): the
// narrow one compares in the ANSI code page; the wide one (kestrin-find /U)
// reads the same section through the wide calls, compares by ordinal case
// folding and is saved in UTF-16LE with a byte-order mark. Lookups cost the
// same however long a list is.
#include <string>
#include <type_traits>
#include <vector>

#include "config/ExclusionEntries.h"

class ExclusionList {
public:
    // The settings file's section that holds the list; also the one section
    // of a settings file that the engine creates.
    static constexpr char kSection[] = "ExcludeKeys";

    // Reads the section into the list of Char's width, once; later calls do
    // nothing.
    template <typename Char>
    void Load(const char* settingsPath);

    // 1 when path equals an entry of the list of its width, in any case.
    int IsExcluded(const char* path) const { return m_narrow.Contains(path) ? 1 : 0; }
    int IsExcluded(const wchar_t* path) const { return m_wide.Contains(path) ? 1 : 0; }
    // Remembers a key that could not be read; without memory it is only not
    // remembered.
    void Add(const char* path) { m_changed = m_narrow.Add(path) || m_changed; }
    void Add(const wchar_t* path) { m_changed = m_wide.Add(path) || m_changed; }
    // Writes the list of Char's width to ExcludeKeys.txt in the current
    // directory when a key was added since the last save.
    template <typename Char>
    void Save();

    const std::vector<std::string>& Entries() const { return m_narrow.List(); }

private:
    template <typename Char>
    ExclusionEntries<Char>& Of() {
        if constexpr (std::is_same_v<Char, wchar_t>)
            return m_wide;
        else
            return m_narrow;
    }

    ExclusionEntries<char> m_narrow;
    ExclusionEntries<wchar_t> m_wide;
    bool m_changed = false;
};
