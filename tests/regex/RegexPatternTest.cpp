// RegexPattern on its own; ctest runs it in code pages 1252 and 932, and
// every row must give the same answer in both.
#include <gtest/gtest.h>

#include <string>

#include "regex/RegexPattern.h"

namespace {

using Result = RegexPattern::Result;

TEST(RegexPattern, MatchesUnderCaseFoldingAndAnchoring) {
    struct Row {
        const wchar_t* pattern;
        bool matchCase;
        bool whole;
        const wchar_t* text;
        bool matches;
    };
    const Row rows[] = {
        {L"gr\u00fc\u00dfe", false, false, L"Viele GR\u00dc\u00dfE", true},  // Ä/ä-like Latin-1 letters
        {L"\u00c4rger", false, true, L"\u00e4RGER", true},
        {L"\u00c4rger", true, true, L"\u00e4RGER", false},
        {L"\u03c3\u03bf\u03c6\u03b9\u03b1", false, false, L"\u03a3\u039f\u03a6\u0399\u0391", true},  // Greek
        {L"\u03c3", false, true, L"\u03c2", true},    // final sigma folds with sigma
        {L"k", false, true, L"\u212a", true},         // the Kelvin sign folds to k
        {L"i", false, true, L"\u0130", false},        // dotted capital I only by the Turkic rule
        {L"\u0416[\u0430-\u044f]+", false, false, L"x \u0436\u0423\u041a", true},  // a range ignores case too
        {L"\u8868", false, false, L"\u8868\u793a", true},  // 95 5C in 932: no "\" inside
        {L"\\\\", false, false, L"\u8868\u793a", false},
        {L"\\\\", false, false, L"C:\\dir", true},
        {L"ab", false, false, L"xaby", true},
        {L"ab", false, true, L"xaby", false},
        {L"ab|xaby", false, true, L"xaby", true},     // /W: the whole string, any alternative
        {L"^\\{[0-9A-F-]{36}\\}$", false, false, L"{0a1b2c3d-0000-1111-2222-333344445555}", true},
        {L"", false, false, L"anything", true},
        {L"", false, true, L"", true},
        {L"4\\d", false, true, L"42", true},
    };
    for (const Row& row : rows) {
        std::string error;
        const auto pattern = RegexPattern::Compile(row.pattern, row.matchCase, row.whole, &error);
        ASSERT_TRUE(pattern) << error;
        const std::wstring text = row.text;
        EXPECT_EQ(row.matches ? Result::Match : Result::NoMatch, pattern->Match(text.data(), text.size()))
            << "pattern " << testing::PrintToString(std::wstring(row.pattern)) << ", text "
            << testing::PrintToString(text) << ", case " << row.matchCase << ", whole " << row.whole;
    }
}

TEST(RegexPattern, InvalidExpressionsNameThePositionAndTheReason) {
    const struct {
        const wchar_t* pattern;
        const char* error;
    } rows[] = {
        {L"ab(c", "at position 4: Unmatched marking parenthesis"},
        {L"[z-a]", "at position 5: Invalid character class name, collating name, or character range"},
        {L"x{2,1}", "at position 4: Invalid content of repeat range"},
    };
    for (const auto& row : rows) {
        std::string error;
        EXPECT_FALSE(RegexPattern::Compile(row.pattern, false, false, &error));
        EXPECT_NE(std::string::npos, error.find(row.error)) << error;
    }
}

// Long strings: the work a match may do grows with the length, enough for
// expressions that pass over a megabyte once, not for one that backtracks
// without end (given up on by its stack of states on a megabyte, by the
// budget of work on 20,000 characters). How long either takes is the
// benchmark's concern (./kestrin.sh bench regex).
TEST(RegexPattern, LongStringsMatchOrGiveUp) {
    const std::wstring megabyte(1 << 20, L'x');
    std::wstring words;
    while (words.size() < megabyte.size()) words += L"shell32 Program Files C:\\Windows\\System32\\x.dll,-42 ";
    const struct {
        const wchar_t* pattern;
        bool whole;
        std::wstring text;
        Result result;
    } rows[] = {
        {L"(x+x+)+y", false, megabyte, Result::GaveUp},
        {L"(x+x+)+y", false, megabyte.substr(0, 20000), Result::GaveUp},
        {L"", false, megabyte, Result::Match},
        {L"x+y", false, megabyte + L"y", Result::Match},
        {L".*\\.exe", true, words + L"Kestrin.exe", Result::Match},
        {L"[a-z]+[0-9]{3}x", false, words + L"abc123x", Result::Match},  // one state a character
        {L"\\\\[^\\\\]+\\.exe", false, words, Result::NoMatch},
    };
    for (const auto& row : rows) {
        std::string error;
        const auto pattern = RegexPattern::Compile(row.pattern, false, row.whole, &error);
        ASSERT_TRUE(pattern) << error;
        EXPECT_EQ(row.result, pattern->Match(row.text.data(), row.text.size()))
            << "pattern " << testing::PrintToString(std::wstring(row.pattern)) << ", " << row.text.size()
            << " characters";
    }
}

}  // namespace
