#include "base/Mbcs.h"

#include <windows.h>
#include <climits>
#include <cstring>

namespace mbcs {
namespace {

// The ANSI code page is fixed for the life of the process, so its lead bytes
// and single-byte case table are read once.
struct CodePageTables {
    bool lead[256];
    unsigned char upper[256];
    bool doubleByte = false;

    CodePageTables() {
        for (int c = 0; c < 256; ++c) {
            lead[c] = ::IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE;
            doubleByte = doubleByte || lead[c];
            char one = static_cast<char>(c);
            if (c != 0 && !lead[c]) ::CharUpperBuffA(&one, 1);
            upper[c] = static_cast<unsigned char>(one);
        }
    }
};

const CodePageTables& Tables() {
    static const CodePageTables tables;
    return tables;
}

// Upper-cases the double-byte character at text (two bytes) in place and
// returns how many bytes it now takes: 2, or 1 when its upper-case form is a
// single byte (the rest of the string is then moved up by one).
size_t UpperDoubleByte(char* text) {
    char mapped[4];
    int length = ::LCMapStringA(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, text, 2, mapped, sizeof mapped);
    if (length == 2) {
        text[0] = mapped[0];
        text[1] = mapped[1];
    } else if (length == 1) {
        text[0] = mapped[0];
        std::memmove(text + 1, text + 2, std::strlen(text + 2) + 1);
        return 1;
    }
    return 2;
}

}  // namespace

bool IsDoubleByteCodePage() { return Tables().doubleByte; }

bool IsLeadByte(unsigned char c) { return Tables().lead[c]; }

void UpperInPlace(char* text, size_t capacity) {
    const CodePageTables& t = Tables();
    for (size_t i = 0; i < capacity && text[i];) {
        auto c = static_cast<unsigned char>(text[i]);
        if (t.lead[c] && i + 1 < capacity && text[i + 1]) {
            i += UpperDoubleByte(text + i);
        } else {
            text[i] = static_cast<char>(t.upper[c]);
            ++i;
        }
    }
}

void UpperAsciiInPlace(char* text, size_t capacity) {
    for (size_t i = 0; i < capacity && text[i]; ++i)
        if (text[i] >= 'a' && text[i] <= 'z') text[i] = static_cast<char>(text[i] - 'a' + 'A');
}

const char* FindLast(const char* text, char c) {
    const char* last = nullptr;
    for (const char* p = text; *p;) {
        if (*p == c) last = p;
        p += (IsLeadByte(static_cast<unsigned char>(*p)) && p[1]) ? 2 : 1;
    }
    return last;
}

const char* FindSubstring(const char* text, const char* needle) {
    if (!IsDoubleByteCodePage()) return std::strstr(text, needle);
    size_t length = std::strlen(needle);
    for (const char* p = text;; p += (IsLeadByte(static_cast<unsigned char>(*p)) && p[1]) ? 2 : 1) {
        if (std::strncmp(p, needle, length) == 0) return p;
        if (!*p) return nullptr;
    }
}

bool EqualNoCase(const char* a, const char* b) {
    const CodePageTables& t = Tables();
    while (*a && *b) {
        auto ca = static_cast<unsigned char>(*a);
        auto cb = static_cast<unsigned char>(*b);
        if (t.lead[ca] && a[1]) {
            if (ca != cb || a[1] != b[1]) return false;
            a += 2;
            b += 2;
            continue;
        }
        if (t.upper[ca] != t.upper[cb]) return false;
        ++a;
        ++b;
    }
    return *a == *b;
}

void FoldCase(const char* text, std::string* folded) {
    const CodePageTables& t = Tables();
    folded->clear();
    for (const char* p = text; *p; ++p) {
        auto c = static_cast<unsigned char>(*p);
        if (t.lead[c] && p[1]) {
            folded->push_back(*p++);
            folded->push_back(*p);
        } else {
            folded->push_back(static_cast<char>(t.upper[c]));
        }
    }
}

size_t CopyBounded(char* target, size_t capacity, const char* source) {
    if (capacity == 0) return 0;
    const CodePageTables& t = Tables();
    size_t i = 0;
    if (!t.doubleByte) {
        // Every byte is a character: the walk's hot path is one bounded copy.
        while (i + 1 < capacity && source[i]) ++i;
        std::memcpy(target, source, i);
        target[i] = '\0';
        return i;
    }
    while (source[i] && i + 1 < capacity) {
        bool lead = t.lead[static_cast<unsigned char>(source[i])] && source[i + 1];
        if (lead && i + 2 >= capacity) break;
        i += lead ? 2 : 1;
    }
    std::memcpy(target, source, i);
    target[i] = '\0';
    return i;
}

std::wstring ToWide(const char* text, size_t length) {
    std::wstring result;
    ToWide(text, length, &result);
    return result;
}

// No code page makes more UTF-16 code units than it had bytes, so one pass
// into a buffer of length units is enough.
void ToWide(const char* text, size_t length, std::wstring* wide) {
    wide->resize(length);
    if (length == 0 || length > INT_MAX) return wide->clear();
    const int made = ::MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), &(*wide)[0],
                                           static_cast<int>(length));
    wide->resize(made > 0 ? static_cast<size_t>(made) : 0);
}

std::string FromWide(const std::wstring& text) {
    if (text.empty() || text.size() > INT_MAX / 2) return std::string();
    const int size = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string result(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), size, &result[0], bytes, nullptr, nullptr);
    return result;
}

}  // namespace mbcs
