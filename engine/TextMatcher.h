#pragma once
// The plain match of one width: the search text against a name or a string,
// as a substring or the whole string, ignoring case unless it must match.
#include <cstddef>

#include "base/TextTraits.h"

template <typename T>
class TextMatcher {
public:
    using Char = typename T::Char;

    // Takes a run's search text (at most 259 characters are kept) and its
    // options. Without matchCase the text is upper-cased once, here: every
    // candidate is upper-cased the same way before it is compared.
    void Prepare(const Char* text, bool wholeString, bool matchCase);
    // True when candidate matches. scratch (scratchSize characters) receives
    // the upper-cased candidate; candidate is never changed.
    bool Matches(const Char* candidate, Char* scratch, size_t scratchSize) const;

private:
    Char m_searchUpper[260] = {};
    bool m_wholeString = false;
    bool m_matchCase = false;
};
