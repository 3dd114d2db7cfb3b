#pragma once
// The two widths the walk and the matcher run in. NarrowText is the ANSI
// code page with the engine's fixed buffers; WideText is UTF-16 with
// ordinal case folding, which no code page changes, and a key path that
// grows as needed.
#include <windows.h>
#include <cstring>
#include <cwchar>
#include <string>
#include <string_view>

#include "base/Mbcs.h"
#include "base/WideCase.h"

struct NarrowText {
    using Char = char;
    static size_t Length(const char* text) { return std::strlen(text); }
    static int Compare(const char* a, const char* b) { return std::strcmp(a, b); }
    static bool Contains(const char* text, const char* needle) { return mbcs::FindSubstring(text, needle) != nullptr; }
    // Copies text into scratch upper-cased, within capacity characters.
    static void CopyUpper(char* scratch, size_t capacity, const char* text) {
        mbcs::CopyBounded(scratch, capacity, text);
        mbcs::UpperInPlace(scratch, capacity);
    }
    // The last c that is a character of its own (not a trail byte), or null.
    static const char* FindLast(const char* text, char c) { return mbcs::FindLast(text, c); }
    static bool EqualNoCase(const char* a, const char* b) { return mbcs::EqualNoCase(a, b); }
    // The longest key path the walk can hold, in characters.
    static constexpr size_t kMaxPath = 1299;

    // The key path: the fixed buffer of the walk that has always been; a
    // path that would not fit it is refused.
    class Path {
    public:
        const char* c_str() const { return m_text; }
        size_t size() const { return m_length; }
        std::string_view View() const { return {m_text, m_length}; }
        void Assign(const char* text) { m_length = mbcs::CopyBounded(m_text, sizeof m_text, text); }
        // Appends a counted name, which may hold a NUL.
        bool Append(const char* name, size_t length) {
            if (m_length + 1 + length >= sizeof m_text) return false;
            m_text[m_length] = '\\';
            std::memcpy(m_text + m_length + 1, name, length);
            m_length += 1 + length;
            m_text[m_length] = '\0';
            return true;
        }
        void Cut(size_t length) { m_text[m_length = length] = '\0'; }

    private:
        char m_text[1300] = {};
        size_t m_length = 0;
    };
};

struct WideText {
    using Char = wchar_t;
    static size_t Length(const wchar_t* text) { return std::wcslen(text); }
    static int Compare(const wchar_t* a, const wchar_t* b) { return std::wcscmp(a, b); }
    // Code units compare one by one: the upper-cased text has the same
    // length as the original, and a surrogate pair matches only whole.
    static bool Contains(const wchar_t* text, const wchar_t* needle) { return std::wcsstr(text, needle) != nullptr; }
    static void CopyUpper(wchar_t* scratch, size_t capacity, const wchar_t* text) {
        size_t at = 0;
        for (; at + 1 < capacity && text[at]; ++at) scratch[at] = UpperOrdinal(text[at]);
        if (capacity) scratch[at] = L'\0';
    }
    static const wchar_t* FindLast(const wchar_t* text, wchar_t c) { return std::wcsrchr(text, c); }
    static bool EqualNoCase(const wchar_t* a, const wchar_t* b) {
        for (; *a && UpperOrdinal(*a) == UpperOrdinal(*b); ++a, ++b) {
        }
        return !*a && !*b;
    }
    static constexpr size_t kMaxPath = static_cast<size_t>(-1);

    class Path {
    public:
        const wchar_t* c_str() const { return m_text.c_str(); }
        size_t size() const { return m_text.size(); }
        std::wstring_view View() const { return m_text; }
        void Assign(const wchar_t* text) { m_text = text; }
        // Grows the path; only a failed allocation refuses a name.
        bool Append(const wchar_t* name, size_t length) {
            try {
                m_text += L'\\';
                m_text.append(name, length);
                return true;
            } catch (...) {
                return false;
            }
        }
        void Cut(size_t length) { m_text.resize(length); }

    private:
        std::wstring m_text;
    };
};

// The traits of a character width.
template <typename Char>
struct TextOf;
template <>
struct TextOf<char> {
    using Type = NarrowText;
};
template <>
struct TextOf<wchar_t> {
    using Type = WideText;
};

// An ASCII text (a root's name, an alias) in either width.
template <typename Char>
std::basic_string<Char> Widened(const char* ascii) {
    return std::basic_string<Char>(ascii, ascii + std::strlen(ascii));
}
