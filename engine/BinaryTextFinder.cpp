#include "engine/BinaryTextFinder.h"

#include <iterator>

#include "base/Mbcs.h"
#include "base/WideCase.h"

wchar_t BinaryTextFinder::UnitAt(const unsigned char* at) {
    return static_cast<wchar_t>(at[0] | (at[1] << 8));
}

void BinaryTextFinder::Prepare(const std::wstring& wide, const std::string& ansi, bool wholeData,
                               bool matchCase) {
    m_wholeData = wholeData;
    m_matchCase = matchCase;
    m_wide = matchCase ? wide : FoldedOrdinal(wide);
    // A byte folds as the narrow matcher folds it alone; lead bytes never
    // fold, so that a double-byte character is not changed halfway.
    for (unsigned c = 0; c < std::size(m_fold); ++c) {
        char text[2] = {static_cast<char>(c), '\0'};
        if (c != 0 && !mbcs::IsLeadByte(static_cast<unsigned char>(c))) mbcs::UpperInPlace(text, sizeof text);
        m_fold[c] = static_cast<unsigned char>(text[0]);
    }
    m_ansi = ansi;
    m_exact.assign(ansi.size(), 0);
    for (size_t i = 0; i < ansi.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(ansi[i]);
        if (mbcs::IsLeadByte(c) && i + 1 < ansi.size()) {
            m_exact[i] = m_exact[i + 1] = 1;
            ++i;
        } else if (!matchCase) {
            m_ansi[i] = static_cast<char>(m_fold[c]);
        }
    }
}

bool BinaryTextFinder::Find(const unsigned char* data, size_t size, size_t* offset) const {
    if (m_wholeData) {
        *offset = 0;
        return FindWhole(data, size);
    }
    size_t best = FindAnsi(data, size, size);
    best = FindWide(data, size, 0, best);
    best = FindWide(data, size, 1, best);
    *offset = best;
    return best < size;
}

bool BinaryTextFinder::FindWhole(const unsigned char* data, size_t size) const {
    const size_t wideBytes = m_wide.size() * kUnitBytes;
    if (!m_wide.empty() && size >= wideBytes && WideAt(data)) {
        if (size == wideBytes) return true;
        if (size == wideBytes + kUnitBytes && data[wideBytes] == 0 && data[wideBytes + 1] == 0) return true;
    }
    const size_t ansiBytes = m_ansi.size();
    if (!m_ansi.empty() && size >= ansiBytes && AnsiAt(data))
        return size == ansiBytes || (size == ansiBytes + 1 && data[ansiBytes] == 0);
    return false;
}

size_t BinaryTextFinder::FindWide(const unsigned char* data, size_t size, size_t start, size_t limit) const {
    const size_t bytes = m_wide.size() * kUnitBytes;
    if (m_wide.empty() || size < bytes) return limit;
    for (size_t at = start; at < limit && at <= size - bytes; at += kUnitBytes)
        if (WideAt(data + at)) return at;
    return limit;
}

size_t BinaryTextFinder::FindAnsi(const unsigned char* data, size_t size, size_t limit) const {
    const size_t bytes = m_ansi.size();
    if (m_ansi.empty() || size < bytes) return limit;
    for (size_t at = 0; at < limit && at <= size - bytes; ++at)
        if (AnsiAt(data + at)) return at;
    return limit;
}

bool BinaryTextFinder::WideAt(const unsigned char* at) const {
    for (size_t i = 0; i < m_wide.size(); ++i) {
        const wchar_t unit = UnitAt(at + kUnitBytes * i);
        if ((m_matchCase ? unit : UpperOrdinal(unit)) != m_wide[i]) return false;
    }
    return true;
}

bool BinaryTextFinder::AnsiAt(const unsigned char* at) const {
    for (size_t i = 0; i < m_ansi.size(); ++i) {
        const unsigned char c = m_matchCase || m_exact[i] ? at[i] : m_fold[at[i]];
        if (c != static_cast<unsigned char>(m_ansi[i])) return false;
    }
    return true;
}
