#pragma once
// The exclusion list of one width: its entries in their order, for saving,
// and their case-folded index with the folded form of the path being looked
// up, whose storage every lookup reuses. Narrow entries fold through the
// ANSI code page's case table, wide ones by ordinal case folding.
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/Mbcs.h"
#include "base/WideCase.h"

template <typename Char>
class ExclusionEntries {
public:
    using Text = std::basic_string<Char>;

    // True the first time only: a list is read from the settings file once.
    bool TakeFirstLoad() { return !std::exchange(m_loaded, true); }
    // Adds path; false when there was no memory for it, and then nothing
    // was added.
    bool Add(const Char* path) {
        try {
            m_entries.emplace_back(path);
            try {
                Fold(path, &m_probe);
                m_index.insert(m_probe);
            } catch (...) {
                m_entries.pop_back();
                throw;
            }
            return true;
        } catch (...) {
            return false;
        }
    }
    // Whether path equals an entry in any case.
    bool Contains(const Char* path) const {
        if (m_index.empty()) return false;
        Fold(path, &m_probe);
        return m_index.count(m_probe) != 0;
    }
    const std::vector<Text>& List() const { return m_entries; }

private:
    static void Fold(const char* text, std::string* folded) { mbcs::FoldCase(text, folded); }
    static void Fold(const wchar_t* text, std::wstring* folded) { FoldOrdinal(text, folded); }

    std::vector<Text> m_entries;
    std::unordered_set<Text> m_index;
    mutable Text m_probe;
    bool m_loaded = false;
};
