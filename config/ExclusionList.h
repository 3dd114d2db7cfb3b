#pragma once
// Keys that searches skip: loaded from the settings file's section, grown by
// every key the walk cannot read, saved whole to ExcludeKeys.txt after a
// search that grew it. The narrow list compares in the ANSI code page; the
// wide one (kestrin-find /U) reads the same section through the wide calls,
// compares by ordinal case folding and is saved in UTF-16LE with a
// byte-order mark. Lookups cost the same however long a list is.
#include <string>
#include <unordered_set>
#include <vector>

class ExclusionList {
public:
    // The settings file's section that holds the list; also the one section
    // of a settings file that the engine creates.
    static constexpr char kSection[] = "ExcludeKeys";

    // Adds the section's entries to the narrow list.
    void Load(const char* settingsPath);
    // Reads the section into the wide list, once; later calls do nothing.
    void LoadWide(const char* settingsPath);

    // 1 when path equals an entry of the list of its width, in any case.
    int IsExcluded(const char* path) const;
    int IsExcluded(const wchar_t* path) const;
    // Remembers a key that could not be read; without memory it is only not
    // remembered.
    void Add(const char* path);
    void Add(const wchar_t* path);
    // Writes the list of that width to ExcludeKeys.txt in the current
    // directory when a key was added since the last save.
    void Save();
    void SaveWide();

    const std::vector<std::string>& Entries() const { return m_entries; }

private:
    // Each list in its order, for saving, and its case-folded index with the
    // folded form of the path being looked up, whose storage every lookup
    // reuses.
    std::vector<std::string> m_entries;
    std::unordered_set<std::string> m_index;
    mutable std::string m_probe;
    std::vector<std::wstring> m_wideEntries;
    std::unordered_set<std::wstring> m_wideIndex;
    mutable std::wstring m_wideProbe;
    bool m_wideRead = false;
    bool m_changed = false;
};
