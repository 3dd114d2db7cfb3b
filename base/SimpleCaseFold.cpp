// FoldSimple apart from the platform's case table, so that code which runs
// on Linux as well (the offline planner's native tests) can fold names.
#include <vector>

#include "base/WideCase.h"

namespace {

// Unicode's simple case folding, not the platform's case table: Windows and
// Wine disagree there (Wine upper-cases neither "ς" nor lower-cases the
// Kelvin sign).
std::vector<wchar_t> MakeFoldTable() {
    struct Run {
        unsigned first, last, stride;
        int offset;
    };
    static const Run kRuns[] = {
#include "base/CaseFoldTable.inc"
    };
    std::vector<wchar_t> table(0x10000);
    for (size_t c = 0; c < table.size(); ++c) table[c] = static_cast<wchar_t>(c);
    for (const Run& run : kRuns)
        for (unsigned c = run.first; c <= run.last; c += run.stride)
            table[c] = static_cast<wchar_t>(static_cast<int>(c) + run.offset);
    return table;
}

}  // namespace

wchar_t FoldSimple(wchar_t c) {
    static const std::vector<wchar_t> table = MakeFoldTable();
    return table[static_cast<unsigned short>(c)];
}

std::wstring FoldedSimple(std::wstring text) {
    for (wchar_t& c : text) c = FoldSimple(c);
    return text;
}
