#include "engine/RegKeyTools.h"

template <typename T>
int CRegKeyTools::MatchText(const typename T::Char* candidate, typename T::Char* scratch, int usePathWhenNone,
                            size_t scratchSize) {
    const WalkText<T>& side = Side<T>();
    if (!candidate) {
        if (!usePathWhenNone) return 0;
        candidate = side.path.c_str();
    }
    if (!m_matchCase) {
        T::CopyUpper(scratch, scratchSize, candidate);
        candidate = scratch;
    }
    if (m_wholeString) return T::Compare(candidate, side.searchUpper) == 0 ? 1 : 0;
    return T::Contains(candidate, side.searchUpper) ? 1 : 0;
}

template int CRegKeyTools::MatchText<NarrowText>(const char*, char*, int, size_t);
template int CRegKeyTools::MatchText<WideText>(const wchar_t*, wchar_t*, int, size_t);
