#include <cstring>

#include "base/Mbcs.h"
#include "engine/RegKeyTools.h"

int CRegKeyTools::MatchString(const char* candidate, char* scratch, int usePathWhenNone,
                              size_t scratchSize) {
    if (!candidate) {
        if (!usePathWhenNone) return 0;
        candidate = m_keyPath;
    }
    if (!m_matchCase) {
        mbcs::CopyBounded(scratch, scratchSize, candidate);
        mbcs::UpperInPlace(scratch, scratchSize);
        candidate = scratch;
    }
    if (m_wholeString) return std::strcmp(candidate, m_searchTextUpper) == 0 ? 1 : 0;
    return mbcs::FindSubstring(candidate, m_searchTextUpper) ? 1 : 0;
}
