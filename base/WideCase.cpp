#include "base/WideCase.h"

#include <windows.h>
#include <vector>

namespace {

// Every UTF-16 code unit upper-cased once by CharUpperBuffW, which maps
// through the platform's Unicode case table whatever the ANSI code page is.
// Surrogates are left alone, as ordinal comparison leaves them.
std::vector<wchar_t> MakeUpperTable() {
    std::vector<wchar_t> table(0x10000);
    for (size_t c = 0; c < table.size(); ++c) table[c] = static_cast<wchar_t>(c);
    ::CharUpperBuffW(table.data() + 1, static_cast<DWORD>(table.size() - 1));
    for (size_t c = 0xD800; c < 0xE000; ++c) table[c] = static_cast<wchar_t>(c);
    return table;
}

}  // namespace

wchar_t UpperOrdinal(wchar_t c) {
    static const std::vector<wchar_t> table = MakeUpperTable();
    return table[static_cast<unsigned short>(c)];
}

void FoldOrdinal(const wchar_t* text, std::wstring* folded) {
    folded->assign(text);
    for (wchar_t& c : *folded) c = UpperOrdinal(c);
}

std::wstring FoldedOrdinal(std::wstring text) {
    for (wchar_t& c : text) c = UpperOrdinal(c);
    return text;
}
