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

// A megabyte of "x" against nested repeats: the library gives up instead of
// working for ever (or overflowing a stack). How long that takes is
// switches_test.py's concern, as a whole run.
TEST(RegexPattern, PathologicalExpressionGivesUp) {
    std::string error;
    const auto pattern = RegexPattern::Compile(L"(x+x+)+y", false, false, &error);
    ASSERT_TRUE(pattern) << error;
    const std::wstring text(1 << 20, L'x');
    EXPECT_EQ(Result::GaveUp, pattern->Match(text.data(), text.size()));
}

}  // namespace
