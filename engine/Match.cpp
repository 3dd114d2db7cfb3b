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
    if (m_pattern) return MatchPattern<T>(candidate, T::Length(candidate));
    return side.matcher.Matches(candidate, scratch, scratchSize) ? 1 : 0;
}

template <typename T>
int CRegKeyTools::MatchName(const typename T::Char* name, size_t length, typename T::Char* scratch,
                            size_t scratchSize) {
    if (m_pattern) return MatchPattern<T>(name, length);
    if (T::Length(name) == length) return MatchText<T>(name, scratch, 0, scratchSize);
    if (m_wholeString) return 0;
    // Each piece ends at the next NUL, the last one at the name's terminator.
    for (size_t at = 0; at <= length; at += T::Length(name + at) + 1)
        if (Side<T>().matcher.Matches(name + at, scratch, scratchSize)) return 1;
    return 0;
}

// The whole candidate, however long: the pattern's own limits bound the work.
template <typename T>
int CRegKeyTools::MatchPattern(const typename T::Char* candidate, size_t length) {
    RegexPattern::Result result;
    if constexpr (std::is_same_v<typename T::Char, char>) {
        mbcs::ToWide(candidate, length, &m_patternText);
        result = m_pattern->Match(m_patternText.data(), m_patternText.size());
    } else {
        result = m_pattern->Match(candidate, length);
    }
    if (result == RegexPattern::Result::GaveUp) m_patternGaveUp = true;
    return result == RegexPattern::Result::Match ? 1 : 0;
}

template int CRegKeyTools::MatchText<NarrowText>(const char*, char*, int, size_t);
template int CRegKeyTools::MatchText<WideText>(const wchar_t*, wchar_t*, int, size_t);
template int CRegKeyTools::MatchName<NarrowText>(const char*, size_t, char*, size_t);
template int CRegKeyTools::MatchName<WideText>(const wchar_t*, size_t, wchar_t*, size_t);
