#pragma once
// Multibyte-aware text helpers for the process's ANSI code page. In a
// double-byte code page (932 and the like) a lead byte and its trail byte are
// one character: nothing here ever splits them or matches on a trail byte.
#include <cstddef>
#include <string>

namespace mbcs {

// True when the ANSI code page has double-byte characters at all.
bool IsDoubleByteCodePage();

// True when byte c starts a double-byte character in the ANSI code page.
bool IsLeadByte(unsigned char c);

// Upper-cases the zero-terminated text in place: single-byte letters through
// the code page's case table, double-byte characters through LCMapStringA.
// Never lengthens the text; never reads or writes past capacity bytes.
void UpperInPlace(char* text, size_t capacity);

// Upper-cases only a to z in place (the C library's default locale), within
// capacity bytes.
void UpperAsciiInPlace(char* text, size_t capacity);

// The last occurrence of c that is a character of its own (not a trail
// byte), or nullptr.
const char* FindLast(const char* text, char c);

// The first occurrence of needle in text that starts on a character
// boundary, or nullptr. An empty needle is found at the start.
const char* FindSubstring(const char* text, const char* needle);

// Whole-string equality without regard to the case of single-byte letters;
// double-byte characters compare as units.
bool EqualNoCase(const char* a, const char* b);

// The form of text under which EqualNoCase compares: single-byte letters
// upper-cased through the code page's case table, double-byte characters
// kept as they are. EqualNoCase(a, b) exactly when FoldCase gives both the
// same bytes (no code page upper-cases a single byte into a lead byte), so
// folded texts can be hashed. Reuses folded's storage.
void FoldCase(const char* text, std::string* folded);

// length bytes of text (in the ANSI code page) as UTF-16. The platform maps
// every byte sequence to something; empty when length is 0 or it fails.
std::wstring ToWide(const char* text, size_t length);
// The same into wide, reusing its storage.
void ToWide(const char* text, size_t length, std::wstring* wide);

// UTF-16 text in the ANSI code page, with the platform's best-fit mapping
// for what the code page lacks (as the C run-time makes its argv); empty
// when text is empty or the conversion fails.
std::string FromWide(const std::wstring& text);

// Copies at most capacity - 1 bytes of source and a terminator into target,
// never ending on a lone lead byte. Returns the bytes copied.
size_t CopyBounded(char* target, size_t capacity, const char* source);

}  // namespace mbcs
