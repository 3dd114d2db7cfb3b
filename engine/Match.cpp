#include <cwchar>
#include <type_traits>

#include "engine/RegKeyTools.h"
#include "regex/RegexPattern.h"

template <typename T>
int CRegKeyTools::MatchText(const typename T::Char* candidate, typename T::Char* scratch, int usePathWhenNone,
                            size_t scratchSize) {
    const WalkText<T>& side = Side<T>();
    if (!candidate) {
        if (!usePathWhenNone) return 0;
        candidate = side.path.c_str();
    }
    if (m_pattern) return MatchPattern<T>(candidate);
    return side.matcher.Matches(candidate, scratch, scratchSize) ? 1 : 0;
}

// The whole candidate, however long: the pattern's own limits bound the work.
template <typename T>
int CRegKeyTools::MatchPattern(const typename T::Char* candidate) {
    RegexPattern::Result result;
    if constexpr (std::is_same_v<typename T::Char, char>) {
        mbcs::ToWide(candidate, T::Length(candidate), &m_patternText);
        result = m_pattern->Match(m_patternText.data(), m_patternText.size());
    } else {
        result = m_pattern->Match(candidate, T::Length(candidate));
    }
    if (result == RegexPattern::Result::GaveUp) m_patternGaveUp = true;
    return result == RegexPattern::Result::Match ? 1 : 0;
}

template int CRegKeyTools::MatchText<NarrowText>(const char*, char*, int, size_t);
template int CRegKeyTools::MatchText<WideText>(const wchar_t*, wchar_t*, int, size_t);
