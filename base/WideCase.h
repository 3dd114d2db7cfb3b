#pragma once
// Ordinal case folding of UTF-16 text, the same under every ANSI code page.
#include <string>

// Upper-cases one UTF-16 code unit the way the platform's ordinal
// comparison with ignore-case does, through a table made once per process.
wchar_t UpperOrdinal(wchar_t c);

// c under Unicode's simple case folding (base/CaseFoldTable.inc), per UTF-16
// code unit: the BMP is folded, surrogates and the planes beyond are left
// as they are. The same under every ANSI code page and on every platform.
wchar_t FoldSimple(wchar_t c);
// text with every code unit folded by FoldSimple.
std::wstring FoldedSimple(std::wstring text);

// text with every code unit upper-cased by UpperOrdinal; reuses folded's
// storage.
void FoldOrdinal(const wchar_t* text, std::wstring* folded);
// The same for a counted text: every code unit, NULs included.
std::wstring FoldedOrdinal(std::wstring text);
