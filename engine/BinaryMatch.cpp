// kestrin-find /B in the engine: the plain text through BinaryTextFinder, an
// expression over the data's decodings.
#include <cstring>
#include <string>

#include "base/Mbcs.h"
#include "engine/RegKeyTools.h"
#include "regex/RegexPattern.h"

namespace {

// The data less one terminating NUL character of the width (unitBytes), so
// that /W compares what a string's terminator would end.
size_t WithoutTerminator(const BYTE* data, size_t size, size_t unitBytes) {
    if (size < unitBytes) return size;
    for (size_t i = size - unitBytes; i < size; ++i)
        if (data[i] != 0) return size;
    return size - unitBytes;
}

// The byte offset of the character at index chars of length bytes in the
// ANSI code page, stepping as the conversion to UTF-16 steps: a lead byte
// with a byte after it is one character.
size_t AnsiByteOffset(const BYTE* data, size_t length, size_t chars) {
    size_t at = 0;
    for (size_t count = 0; count < chars && at < length; ++count)
        at += mbcs::IsLeadByte(data[at]) && at + 1 < length ? 2 : 1;
    return at;
}

}  // namespace

// The narrow run widens TEXT as the code page does; the wide run narrows it
// exactly or not at all, so that no best-fit stand-in (zebra for the
// full-width letters) is searched for what /U asked.
void CRegKeyTools::PrepareBinaryText() {
    const std::wstring wide = m_unicode ? std::wstring(m_searchTextWide)
                                        : mbcs::ToWide(m_searchText, std::strlen(m_searchText));
    std::string ansi = m_unicode ? mbcs::FromWide(wide) : std::string(m_searchText);
    if (m_unicode && mbcs::ToWide(ansi.data(), ansi.size()) != wide) ansi.clear();
    m_binaryFinder.Prepare(wide, ansi, m_wholeString != 0, m_matchCase != 0);
}

int CRegKeyTools::MatchBinary(const BYTE* data, DWORD dataSize) {
    size_t offset = 0;
    const bool found = m_pattern ? MatchBinaryPattern(data, dataSize, &offset)
                                 : m_binaryFinder.Find(data, dataSize, &offset);
    if (found) m_binaryOffset = offset;
    return found ? 1 : 0;
}

// Each decoding in m_patternText in turn: UTF-16 at the even and (unless the
// whole data must match) the odd byte, then the ANSI bytes widened as the
// narrow search widens them. The earliest match in the data wins.
bool CRegKeyTools::MatchBinaryPattern(const BYTE* data, DWORD dataSize, size_t* offset) {
    bool found = false;
    size_t best = 0;
    size_t start = 0;
    constexpr size_t kUnit = BinaryTextFinder::kUnitBytes;
    const size_t alignments = m_wholeString ? 1 : kUnit;
    for (size_t alignment = 0; alignment < alignments && alignment < dataSize; ++alignment) {
        const BYTE* from = data + alignment;
        const size_t whole = (dataSize - alignment) / kUnit * kUnit;
        const size_t units = WithoutTerminator(from, whole, kUnit) / kUnit;
        m_patternText.resize(units);
        for (size_t i = 0; i < units; ++i) m_patternText[i] = BinaryTextFinder::UnitAt(from + kUnit * i);
        if (MatchPatternAt(&start) && (!found || alignment + kUnit * start < best)) {
            best = alignment + kUnit * start;
            found = true;
        }
    }
    const size_t length = WithoutTerminator(data, dataSize, 1);
    mbcs::ToWide(reinterpret_cast<const char*>(data), length, &m_patternText);
    if (MatchPatternAt(&start) && (!found || AnsiByteOffset(data, length, start) < best)) {
        best = AnsiByteOffset(data, length, start);
        found = true;
    }
    *offset = best;
    return found;
}

// m_pattern against m_patternText; a decoding it gives up on is noted and
// counts as no match.
bool CRegKeyTools::MatchPatternAt(size_t* offset) {
    const RegexPattern::Result result = m_pattern->Match(m_patternText.data(), m_patternText.size(), offset);
    if (result == RegexPattern::Result::GaveUp) m_patternGaveUp = true;
    return result == RegexPattern::Result::Match;
}
