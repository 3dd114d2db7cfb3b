// Matching of value data beyond the string types: the strings of a
// REG_MULTI_SZ, and the numbers of REG_DWORD and REG_QWORD.
#include <cstring>
#include <string>

#include "engine/RegKeyTools.h"

bool ParseSearchNumber(const char* text, uint64_t* number) {
    unsigned base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
    }
    if (!*text) return false;
    uint64_t value = 0;
    for (; *text; ++text) {
        unsigned digit;
        const char c = *text;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return false;
        if (value > (UINT64_MAX - digit) / base) return false;
        value = value * base + digit;
    }
    *number = value;
    return true;
}

template <typename T>
int CRegKeyTools::MatchValueData(DWORD type, const typename T::Char* data, DWORD dataSize, typename T::Char* scratch,
                                 size_t scratchSize) {
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return m_lookAtValues ? MatchText<T>(data, scratch, 0, scratchSize) : 0;
    case REG_MULTI_SZ:
        return m_lookAtTypedData ? MatchMultiString<T>(data, dataSize, scratch, scratchSize) : 0;
    case REG_DWORD: {
        if (!m_lookAtTypedData || dataSize != sizeof(uint32_t)) return 0;
        uint32_t value;
        std::memcpy(&value, data, sizeof value);
        return MatchNumber<T>(value, scratch, scratchSize);
    }
    case REG_QWORD: {
        if (!m_lookAtTypedData || dataSize != sizeof(uint64_t)) return 0;
        uint64_t value;
        std::memcpy(&value, data, sizeof value);
        return MatchNumber<T>(value, scratch, scratchSize);
    }
    default:
        return m_lookAtBinary && IsSearchedAsBinary(type)
                   ? MatchBinary(reinterpret_cast<const BYTE*>(data), dataSize)
                   : 0;
    }
}

bool IsSearchedAsBinary(DWORD type) {
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ:
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN:
    case REG_QWORD:
        return false;
    default:
        return true;
    }
}

// A number equals the search text read as a number; for a pattern it is
// matched as its decimal text.
template <typename T>
int CRegKeyTools::MatchNumber(uint64_t value, typename T::Char* scratch, size_t scratchSize) {
    if (!m_pattern) return m_searchIsNumber && value == m_searchNumber ? 1 : 0;
    const auto text = Widened<typename T::Char>(std::to_string(value).c_str());
    return MatchText<T>(text.c_str(), scratch, 0, scratchSize);
}

// The list ends at its first empty string or at the end of the data; the
// value pass has terminated the data after its last byte, so a last string
// without its own terminator is still a string. No trail byte of a
// double-byte code page is zero, so a zero byte always ends a string. Wide
// data ends at its last whole character.
template <typename T>
int CRegKeyTools::MatchMultiString(const typename T::Char* data, DWORD dataSize, typename T::Char* scratch,
                                   size_t scratchSize) {
    using Char = typename T::Char;
    const Char* end = data + dataSize / sizeof(Char);
    for (const Char* item = data; item < end && *item; item += T::Length(item) + 1)
        if (MatchText<T>(item, scratch, 0, scratchSize)) return 1;
    return 0;
}

template int CRegKeyTools::MatchValueData<NarrowText>(DWORD, const char*, DWORD, char*, size_t);
template int CRegKeyTools::MatchValueData<WideText>(DWORD, const wchar_t*, DWORD, wchar_t*, size_t);
