#include "engine/TextMatcher.h"

#include <cstring>
#include <iterator>

namespace {

// Copies the text's first characters as they are, up to the terminator or
// the capacity less one, and terminates the copy: the search text is taken
// byte for byte, even a lead byte that a cut left at its end.
template <typename Char, size_t Capacity>
void CopyText(Char (&target)[Capacity], const Char* text) {
    size_t length = 0;
    while (length + 1 < Capacity && text[length]) ++length;
    std::memcpy(target, text, length * sizeof(Char));
    target[length] = Char();
}

}  // namespace

template <>
void TextMatcher<NarrowText>::Prepare(const char* text, bool wholeString, bool matchCase) {
    m_wholeString = wholeString;
    m_matchCase = matchCase;
    CopyText(m_searchUpper, text);
    if (!matchCase) mbcs::UpperInPlace(m_searchUpper, sizeof m_searchUpper);
}

template <>
void TextMatcher<WideText>::Prepare(const wchar_t* text, bool wholeString, bool matchCase) {
    m_wholeString = wholeString;
    m_matchCase = matchCase;
    if (matchCase)
        CopyText(m_searchUpper, text);
    else
        WideText::CopyUpper(m_searchUpper, std::size(m_searchUpper), text);
}

template <typename T>
bool TextMatcher<T>::Matches(const Char* candidate, Char* scratch, size_t scratchSize) const {
    if (!m_matchCase) {
        T::CopyUpper(scratch, scratchSize, candidate);
        candidate = scratch;
    }
    if (m_wholeString) return T::Compare(candidate, m_searchUpper) == 0;
    return T::Contains(candidate, m_searchUpper);
}

template class TextMatcher<NarrowText>;
template class TextMatcher<WideText>;
