// Matching under the four option combinations and in the ANSI code pages
// 1252, 1251 and 932. ctest runs this executable once per code page; a test
// that needs a particular one skips in the others. Byte strings are escaped
// so that this file stays ASCII whatever the editor's code page.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <vector>

#include "engine/FakeRegistry.h"
#include "engine/RegKeyTools.h"
#include "support/ErrorCapture.h"
#include "support/SearchRun.h"
#include "support/TempDir.h"

namespace {

struct Case {
    const char* text;
    const char* candidate;
    bool matches;
};

class MatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        tools = std::make_unique<CRegKeyTools>((dir / "Kestrin.ini").c_str(), RegistryPair{registry, wideRegistry});
        tools->m_searchCounters = &counters;
    }

    void Options(const std::string& text, int keys, int values, int whole, int matchCase) {
        testsupport::SetSearchOptions(*tools, text, {keys, values, whole, matchCase});
    }

    // Each run prepares the upper-cased search text before its walk; over
    // the empty fake registry it does nothing else. The scratch buffer is
    // exactly as large as the candidate, as the walk's value buffer may be.
    void Expect(int whole, int matchCase, std::initializer_list<Case> cases) {
        for (const Case& c : cases) {
            Options(c.text, 0, 1, whole, matchCase);
            ASSERT_EQ(1, tools->Search());
            std::vector<char> scratch(std::strlen(c.candidate) + 1);
            EXPECT_EQ(c.matches ? 1 : 0, tools->MatchText<NarrowText>(c.candidate, scratch.data(), 0, scratch.size()))
                << "text \"" << c.text << "\", candidate \"" << c.candidate << "\", whole " << whole
                << ", case " << matchCase;
        }
    }

    testsupport::TempDir dir{"engine"};
    testsupport::CurrentDirectoryScope inDir{dir.path()};
    testsupport::ErrorCapture errors;
    FakeRegistry registry;
    WideFakeRegistry wideRegistry;
    SearchCounters counters{};
    std::unique_ptr<CRegKeyTools> tools;
};

// Tests of one code page skip in the others.
template <UINT CodePage>
class CodePageMatchTest : public MatchTest {
protected:
    void SetUp() override {
        if (::GetACP() != CodePage) GTEST_SKIP() << "needs ANSI code page " << CodePage;
        MatchTest::SetUp();
    }
};
using Cp1252MatchTest = CodePageMatchTest<1252>;
using Cp1251MatchTest = CodePageMatchTest<1251>;
using Cp932MatchTest = CodePageMatchTest<932>;

// ---- The four option combinations, in every code page ---------------------

TEST_F(MatchTest, SubstringIgnoringCase) {
    Expect(0, 0, {{"run", "Run", true}, {"run", "RUNTIME", true}, {"run", "Rerun", true}, {"run", "Rn", false}});
}

TEST_F(MatchTest, WholeStringIgnoringCase) {
    Expect(1, 0, {{"Run", "run", true}, {"Run", "RUN", true}, {"Run", "Run", true}, {"Run", "Runtime", false}});
}

TEST_F(MatchTest, SubstringWithCase) {
    Expect(0, 1, {{"Run", "RunOnce", true}, {"Run", "xRun", true}, {"Run", "runonce", false}});
}

TEST_F(MatchTest, WholeStringWithCase) {
    Expect(1, 1, {{"Run", "Run", true}, {"Run", "run", false}, {"Run", "RunOnce", false}});
}

TEST_F(MatchTest, EmptyTextIsInEveryCandidateButEqualsOnlyAnEmptyOne) {
    Expect(0, 0, {{"", "", true}, {"", "abc", true}});
    Expect(1, 0, {{"", "", true}, {"", "abc", false}});
}

TEST_F(MatchTest, BackslashInTheTextNeverMatchesAKeyNameButMatchesData) {
    registry.Key("HKEY_CURRENT_USER\\Software\\needle");
    registry.Key("HKEY_CURRENT_USER\\Data").Sz("path", "C:\\Software\\needle\\x");
    Options("Software\\needle", 1, 1, 0, 0);
    EXPECT_EQ(1, tools->Search());
    EXPECT_EQ(1, SearchCounters::Read(counters.found)) << "only the value's data";

    Options("needle", 1, 1, 0, 0);
    EXPECT_EQ(1, tools->Search());
    EXPECT_EQ(2, SearchCounters::Read(counters.found)) << "the key's own name and the data";
}

// ---- Code page 1252 --------------------------------------------------------

TEST_F(Cp1252MatchTest, LatinLettersIgnoreCase) {
    Expect(0, 0, {{"\xE9t\xE9", "\xC9T\xC9", true},        // ete with acute accents
                  {"\xC9T\xC9", "x \xE9t\xE9", true},
                  {"gr\xFC\xDF", "GR\xDC\xDF", true},      // u umlaut; sharp s has no capital
                  {"\xE0", "\xC0", true},                  // a grave
                  {"\x9A", "\x8A", true},                  // s caron, below 0xA0
                  {"\xFF", "\x9F", true},                  // y diaeresis, capital below 0xA0
                  {"\xE9", "E", false}});
    Expect(0, 1, {{"\xE9t\xE9", "\xC9T\xC9", false}, {"\xE9t\xE9", "\xE9t\xE9", true}});
}

// ---- Code page 1251 --------------------------------------------------------

TEST_F(Cp1251MatchTest, CyrillicLettersIgnoreCase) {
    const char* lower = "\xEF\xF0\xE8\xE2\xE5\xF2";  // a greeting in lower case
    const char* upper = "\xCF\xD0\xC8\xC2\xC5\xD2";
    Expect(0, 0, {{lower, upper, true},
                  {lower, lower, true},
                  {lower, "\xCF\xF0\xC8\xE2\xC5\xF2", true},  // mixed
                  {lower, "say \xCF\xD0\xC8\xC2\xC5\xD2!", true},
                  {"\xB8", "\xA8", true},                     // io, outside the main block
                  {"\x90", "\x80", true},                     // dje, below 0xA0
                  {lower, "\xEF\xF0\xE8\xE2\xE5", false}});
    Expect(1, 0, {{lower, upper, true}});
    Expect(0, 1, {{lower, upper, false}, {lower, lower, true}});
}

// ---- Code page 932 ---------------------------------------------------------

TEST_F(Cp932MatchTest, MatchNeverStartsOnATrailByte) {
    for (int matchCase : {0, 1}) {
        // "\x83\x41" is one katakana character whose trail byte is "A".
        Expect(0, matchCase, {{"A", "\x83\x41", false},
                              {"A", "\x83\x41" "A", true},
                              {"A\x83\x41", "\x83\x41\x83\x41", false},
                              {"\\", "\x95\x5C", false},
                              {"\x5C\x83", "\x95\x5C\x83\x41", false}});
    }
}

TEST_F(Cp932MatchTest, FullWidthLettersAreUpperCasedAsUnits) {
    // "\x82\x81" is a full-width small a, "\x82\x60" its capital.
    Expect(0, 0, {{"\x82\x81", "\x82\x60", true},
                  {"abc\x82\x81", "x ABC\x82\x60", true},
                  // "\x83\x61" is a katakana whose trail byte is "a": upper-cased
                  // byte by byte it would turn into "\x83\x41".
                  {"\x83\x41", "\x83\x61", false},
                  {"\x83\x61", "\x83\x61", true}});
    Expect(1, 0, {{"\x82\x60\x82\x81", "\x82\x81\x82\x60", true}});
    Expect(0, 1, {{"\x82\x81", "\x82\x60", false}});
}

}  // namespace

// ---- The search text read as a number (/D) ---------------------------------

TEST(ParseSearchNumber, DecimalAndHexadecimalUpToSixtyFourBits) {
    struct Row {
        const char* text;
        bool ok;
        uint64_t number;
    };
    const Row rows[] = {
        {"42", true, 42}, {"0", true, 0}, {"0x2a", true, 42}, {"0X2A", true, 42}, {"007", true, 7},
        {"18446744073709551615", true, UINT64_MAX}, {"0xffffffffffffffff", true, UINT64_MAX},
        {"18446744073709551616", false, 0}, {"0x10000000000000000", false, 0},
        {"", false, 0}, {"0x", false, 0}, {"-1", false, 0}, {" 42", false, 0}, {"42 ", false, 0},
        {"1e3", false, 0}, {"0x1g", false, 0}, {"2a", false, 0},
    };
    for (const Row& row : rows) {
        uint64_t number = 12345;
        EXPECT_EQ(row.ok, ParseSearchNumber(row.text, &number)) << row.text;
        if (row.ok) {
            EXPECT_EQ(row.number, number) << row.text;
        }
    }
}
