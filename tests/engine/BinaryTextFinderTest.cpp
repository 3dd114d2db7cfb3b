// /B's search of raw bytes: UTF-16LE at both alignments and ANSI bytes, case,
// whole data, and no match pieced together from both alignments or read
// past the end. Runs in code pages 1252, 1251 and 932 (engine_match_tests);
// the cases of one code page skip in the others.
#include <gtest/gtest.h>

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "engine/BinaryTextFinder.h"

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

struct BinaryCase {
    const wchar_t* wide;
    const char* ansi;
    std::string data;
    bool whole;
    bool matchCase;
    size_t offset;  // kNone: no match
};

void ExpectCases(std::initializer_list<BinaryCase> cases) {
    for (const BinaryCase& c : cases) {
        BinaryTextFinder finder;
        finder.Prepare(c.wide, c.ansi, c.whole, c.matchCase);
        // Exactly as large as the data, so that a read past it shows.
        std::vector<unsigned char> bytes(c.data.begin(), c.data.end());
        size_t offset = kNone;
        const bool found = finder.Find(bytes.data(), bytes.size(), &offset);
        EXPECT_EQ(c.offset != kNone, found) << "text \"" << c.ansi << "\", data of " << c.data.size()
                                            << " bytes, whole " << c.whole << ", case " << c.matchCase;
        if (found) {
            EXPECT_EQ(c.offset, offset) << "text \"" << c.ansi << "\"";
        }
    }
}

std::string Bytes(const char* text, size_t length) {
    return std::string(text, length);
}

TEST(BinaryTextFinder, FindsEveryFormAtItsEarliestOffset) {
    ExpectCases({
        // UTF-16 at the even and the odd byte, folded unless /C.
        {L"ab", "ab", Bytes("\x01\x02" "A\0B\0", 6), false, false, 2},
        {L"ab", "ab", Bytes("\x01" "A\0B\0", 5), false, false, 1},
        {L"ab", "ab", Bytes("\x01" "A\0B\0", 5), false, true, kNone},
        {L"AB", "AB", Bytes("\x01" "A\0B\0", 5), false, true, 1},
        // The code page's bytes, folded unless /C.
        {L"ab", "ab", Bytes("\0\0\xff" "AB", 5), false, false, 3},
        {L"ab", "ab", Bytes("\0\0\xff" "AB", 5), false, true, kNone},
        // The earliest of all forms wins, whichever form it is.
        {L"ab", "ab", Bytes("xab\0a\0b\0", 8), false, false, 1},
        {L"ab", "ab", Bytes("a\0b\0xab", 7), false, false, 0},
        // No match across the two alignments, none in a last half unit.
        {L"abc", "", Bytes("a\0b\0\0c\0", 7), false, false, kNone},
        {L"ab", "", Bytes("a\0b", 3), false, false, kNone},
        {L"\x4241", "", Bytes("\0AB", 3), false, true, 1},
        // An empty form is never searched: a text the code page lacks.
        {L"ab", "", Bytes("ab", 2), false, false, kNone},
        {L"", "ab", Bytes("a\0b\0", 4), false, false, kNone},
        // /W: the whole data, but for one terminating NUL of its width.
        {L"ab", "ab", Bytes("A\0B\0", 4), true, false, 0},
        {L"ab", "ab", Bytes("A\0B\0\0\0", 6), true, false, 0},
        {L"ab", "ab", Bytes("A\0B\0\0\0\0\0", 8), true, false, kNone},
        {L"ab", "ab", Bytes("A\0B\0C\0", 6), true, false, kNone},
        {L"ab", "ab", Bytes("\0a\0b\0", 5), true, false, kNone},
        {L"ab", "ab", Bytes("ab\0", 3), true, true, 0},
        {L"ab", "ab", Bytes("xab", 3), true, false, kNone},
    });
}

TEST(BinaryTextFinder, FoldsLettersOfTheCodePage) {
    switch (GetACP()) {
    case 1252:  // e acute: E9 in 1252, upper C9; U+00E9, upper U+00C9
        ExpectCases({{L"\x00e9", "\xe9", Bytes("\xc9", 1), false, false, 0},
                     {L"\x00e9", "\xe9", Bytes("\0\xc9\0", 3), false, false, 1},
                     {L"\x00e9", "\xe9", Bytes("\xc9", 1), false, true, kNone}});
        break;
    case 932:  // U+30E3 is 83 83, U+30E1 is 83 81: a double-byte character never folds
        ExpectCases({{L"\x30e3", "\x83\x83", Bytes("x\x83\x83", 3), false, false, 1},
                     {L"\x30e3", "\x83\x83", Bytes("\x83\x81", 2), false, false, kNone},
                     {L"a\x30e3", "a\x83\x83", Bytes("A\x83\x83", 3), false, false, 0}});
        break;
    default:
        GTEST_SKIP() << "for code pages 1252 and 932";
    }
}

}  // namespace
