// The pure parts of kestrin-find, table by table: the command line and its
// quoting for the report header, the time ranges of /T and the time stamps of /J, JSON strings and the order
// of the exit codes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "find/ExitCodes.h"
#include "find/FindCommandLine.h"
#include "find/JsonLines.h"
#include "find/ProvenanceNote.h"
#include "find/TimeRange.h"
#include "base/UtcTime.h"

namespace {

constexpr uint64_t kDay = kSecondsPerDay * kTicksPerSecond;
// 2026-11-30T12:00:00Z in FILETIME ticks.
constexpr uint64_t kNoon = 13440513600ULL * kTicksPerSecond;
constexpr uint64_t kMidnight = kNoon - kDay / 2;

TEST(FindCommandLine, SwitchesTextAndErrors) {
    struct Row {
        const wchar_t* line;  // the whole command line, program name first
        const char* error;    // a part of the message, or null
        const char* text;
        bool regex;
        bool timeFiltered;
        size_t startKeys;
    };
    const Row rows[] = {
        {L"kf /k /v Explorer", nullptr, "Explorer", false, false, 0},
        {L"kf /K \"two words\"", nullptr, "two words", false, false, 0},
        // One parser for both widths: a quote after backslashes, a doubled
        // quote and a start key with a blank split the same way for both.
        {L"kf /V /S \"HKCU\\Soft ware\" \"a\\\"b\"", nullptr, "a\"b", false, false, 1},
        {L"kf /R /K \"\"", nullptr, "", true, false, 0},
        {L"kf /k /r /t 1d \"\"", nullptr, "", true, true, 0},
        {L"kf /K /T 2026-11-01.. /S HKCU /s HKLM x", nullptr, "x", false, true, 2},
        {L"kf /K \"\"", "no TEXT", nullptr, false, false, 0},
        {L"kf /K", "no TEXT", nullptr, false, false, 0},
        {L"kf x", "say where to look", nullptr, false, false, 0},
        {L"kf /K a b", "more than one TEXT", nullptr, false, false, 0},
        {L"kf /K /Q a", "unknown switch /Q", nullptr, false, false, 0},
        // A switch written the Linux way is refused with a hint; any other
        // TEXT that starts with a dash is searched.
        {L"kf -K /V a", "unknown switch -K: switches start with /, as in /K", nullptr, false, false, 0},
        {L"kf /K a -s", "unknown switch -s: switches start with /, as in /s", nullptr, false, false, 0},
        {L"kf /K -q", nullptr, "-q", false, false, 0},
        {L"kf /K -Kestrel", nullptr, "-Kestrel", false, false, 0},
        {L"kf /K /R \\-K", nullptr, "\\-K", true, false, 0},
        // The live registry's free space cannot be read: /X needs hives.
        {L"kf /K /X a", "/X needs /H or /O", nullptr, false, false, 0},
        {L"kf /x /K /H h.dat a", nullptr, "a", false, false, 0},
        {L"kf /K a /S", "/S needs a key", nullptr, false, false, 0},
        {L"kf /K a /T", "/T needs a time range", nullptr, false, false, 0},
        {L"kf /K /T yesterday a", "malformed time range yesterday", nullptr, false, false, 0},
        {L"kf /K /o E:\\ /S HKLM\\SYSTEM a", nullptr, "a", false, false, 1},
        {L"kf /K a /O", "/O needs a folder", nullptr, false, false, 0},
        {L"kf /K /O \"\" a", "/O needs a folder", nullptr, false, false, 0},
        {L"kf /K /O E:\\ /O F:\\ a", "/O is given once", nullptr, false, false, 0},
        {L"kf /K /J /f - a", nullptr, "a", false, false, 0},
        {L"kf /K a /F", "/F needs a folder", nullptr, false, false, 0},
        {L"kf /K /F \"\" a", "/F needs a folder", nullptr, false, false, 0},
        {L"kf /K /F x /F y a", "/F is given once", nullptr, false, false, 0},
    };
    for (const Row& row : rows) {
        const FindCommandLine line = ParseFindCommandLine(SplitCommandLine(row.line), kNoon);
        const std::string context = testing::PrintToString(std::wstring(row.line));
        if (row.error) {
            EXPECT_NE(std::string::npos, line.error.find(row.error)) << context << ": " << line.error;
            continue;
        }
        EXPECT_EQ("", line.error) << context;
        EXPECT_EQ(std::wstring(row.text, row.text + std::strlen(row.text)), line.text) << context;
        EXPECT_EQ(row.regex, line.regex) << context;
        EXPECT_EQ(row.timeFiltered, line.options.TimeFiltered()) << context;
        EXPECT_EQ(row.startKeys, line.startKeys.size()) << context;
    }
    const FindCommandLine help = ParseFindCommandLine(SplitCommandLine(L"kf /?"), kNoon);
    EXPECT_TRUE(help.help);
    EXPECT_EQ("", help.error);
}

// TEXT and the start keys stay as typed; TEXT is cut to 259 characters, or
// 258 where the cut would split a surrogate pair.
TEST(FindCommandLine, TextIsCutNeverInsideASurrogatePair) {
    const std::wstring longText = L"\uff5a" + std::wstring(300, L'a');
    const std::wstring pairAtCut = std::wstring(258, L'a') + L"\U0001F600";
    const FindCommandLine line = ParseFindCommandLine({L"/K", L"/S", L"HKCU\\\u03a9", longText}, kNoon);
    ASSERT_EQ("", line.error);
    EXPECT_EQ(longText.substr(0, 259), line.text);
    EXPECT_EQ(std::vector<std::wstring>{L"HKCU\\\u03a9"}, line.startKeys);
    EXPECT_EQ(pairAtCut.substr(0, 258), ParseFindCommandLine({L"/K", pairAtCut}, kNoon).text);
}

// The header's command line splits back into the arguments it was made of,
// by the platform's own splitter, whatever blanks, quotes and backslashes
// they hold.
TEST(FindCommandLine, QuotedArgumentsSplitBack) {
    const std::pair<std::vector<std::wstring>, const wchar_t*> rows[] = {
        {{L"/K", LR"(/H:HKU\S-1)", LR"(C:\evidence\NTUSER.DAT)", L"\u0416x"},
         LR"(/K /H:HKU\S-1 C:\evidence\NTUSER.DAT )" L"\u0416x"},
        {{L"/H", LR"(C:\My Case\)", L"a b"}, LR"(/H "C:\My Case\\" "a b")"},
        {{L"/R", L""}, LR"(/R "")"},
        {{L"/V", LR"(say "hi")", LR"(a\"b)", L"tab\there"}, LR"(/V "say \"hi\"" "a\\\"b" ")" L"tab\there\""},
        {{L"/V", LR"(\\server\share\)", L"x"}, LR"(/V \\server\share\ x)"},
    };
    for (const auto& [arguments, quoted] : rows) {
        const std::string context = testing::PrintToString(std::wstring(quoted));
        EXPECT_EQ(quoted, QuotedArguments(arguments)) << context;
        EXPECT_EQ(arguments, SplitCommandLine((L"kestrin-find " + QuotedArguments(arguments)).c_str())) << context;
    }
}

TEST(TimeRange, EndsDatesAndAges) {
    struct Row {
        const char* text;
        bool ok;
        uint64_t from;
        uint64_t to;
    };
    const Row rows[] = {
        {"2026-11-30", true, kMidnight, UINT64_MAX},
        {"2026-11-30..2026-11-30", true, kMidnight, kMidnight + kDay - 1},
        {"..2026-11-30T12:00", true, 0, kNoon + 60 * kTicksPerSecond - 1},
        {"2026-11-30T12:00:00..2026-11-30T12:00:00", true, kNoon, kNoon + kTicksPerSecond - 1},
        {"1601-01-01..1601-01-01T00:00:00", true, 0, kTicksPerSecond - 1},
        {"2024-02-29..", true, kMidnight - 1005 * kDay, UINT64_MAX},
        {"30m", true, kNoon - 1800 * kTicksPerSecond, UINT64_MAX},
        {"7d..12h", true, kNoon - 7 * kDay, kNoon - kDay / 2},
        {"9999999d", true, 0, UINT64_MAX},
        {"..", false, 0, 0},
        {"", false, 0, 0},
        {"2026-11-31", false, 0, 0},
        {"2025-02-29", false, 0, 0},
        {"1600-12-31", false, 0, 0},
        {"2026-11-30T24:00", false, 0, 0},
        {"2026-11-30T12", false, 0, 0},
        {"2026-11-30 12:00", false, 0, 0},
        {"2026-1-30", false, 0, 0},
        {"12x", false, 0, 0},
        {"d", false, 0, 0},
        {"99999999d", false, 0, 0},
        {"1d..2d", false, 0, 0},
        {"2026-12-01..2026-11-30", false, 0, 0},
    };
    for (const Row& row : rows) {
        TimeRange range;
        std::string error;
        EXPECT_EQ(row.ok, ParseTimeRange(row.text, kNoon, &range, &error)) << row.text << ": " << error;
        if (!row.ok) {
            EXPECT_NE(std::string::npos, error.find(std::string("malformed time range ") + row.text)) << error;
            continue;
        }
        EXPECT_EQ(row.from, range.from) << row.text;
        EXPECT_EQ(row.to, range.to) << row.text;
    }
}

TEST(TimeRange, FormatUtcIsIso8601) {
    const std::pair<uint64_t, const char*> rows[] = {
        {0, "1601-01-01T00:00:00Z"},
        {kNoon, "2026-11-30T12:00:00Z"},
        {kNoon + kTicksPerSecond - 1, "2026-11-30T12:00:00Z"},
        {kMidnight - 1005 * kDay + 86399 * kTicksPerSecond, "2024-02-29T23:59:59Z"},
        {116444736000000000ULL, "1970-01-01T00:00:00Z"},
    };
    for (const auto& row : rows) EXPECT_EQ(row.second, FormatUtc(row.first)) << row.first;
}

// The line that tells the range used: an open TO is now, an open FROM empty.
TEST(TimeRange, DescribedWithOpenEnds) {
    const std::pair<const char*, const char*> rows[] = {
        {"2026-11-30", "2026-11-30T00:00:00Z..2026-11-30T12:00:00Z"},
        {"..2026-11-29", "..2026-11-29T23:59:59Z"},
        {"7d..12h", "2026-11-23T12:00:00Z..2026-11-30T00:00:00Z"},
    };
    for (const auto& row : rows) {
        TimeRange range;
        std::string error;
        ASSERT_TRUE(ParseTimeRange(row.first, kNoon, &range, &error)) << error;
        EXPECT_EQ(row.second, DescribeTimeRange(range, kNoon)) << row.first;
    }
}

TEST(JsonString, EscapesAndConvertsToUtf8) {
    const std::pair<std::string, const char*> narrow[] = {
        {"", "\"\""},
        {"plain", "\"plain\""},
        {"q\"b\\s/", "\"q\\\"b\\\\s/\""},
        {"\n\r\t\x01\x1f\x7f", "\"\\n\\r\\t\\u0001\\u001f\x7f\""},
        {std::string("a\0b", 3), "\"a\\u0000b\""},
    };
    for (const auto& row : narrow) EXPECT_EQ(row.second, JsonString(row.first.data(), row.first.size()));
    const std::pair<std::wstring, const char*> wide[] = {
        {L"\u00e4\u03a9\u8868", "\"\xc3\xa4\xce\xa9\xe8\xa1\xa8\""},
        {L"\U0001F600", "\"\xf0\x9f\x98\x80\""},
        {L"x\xd800y", "\"x\xef\xbf\xbdy\""},  // a lone surrogate becomes U+FFFD
    };
    for (const auto& row : wide) EXPECT_EQ(row.second, JsonString(row.first.data(), row.first.size()));
}

TEST(FindExit, TheFirstListedOutcomeWins) {
    EXPECT_EQ(FindExit::Done, FirstExit({}));
    EXPECT_EQ(FindExit::NotSearched, FirstExit({FindExit::Unreadable, FindExit::NotSearched}));
    EXPECT_EQ(FindExit::Stopped, FirstExit({FindExit::NotSearched, FindExit::Stopped, FindExit::Done}));
    EXPECT_EQ(FindExit::ReportFailed, FirstExit({FindExit::Stopped, FindExit::ReportFailed}));
}

// The thread's codes are the dialog program's (0 completed, 1 stopped, 2 a key
// unreadable, 3 no engine) and 4 for a report that failed; the process's are
// the README's.
TEST(FindExit, EachEndingOfTheSearchThreadBecomesItsCode) {
    const std::vector<std::pair<DWORD, int>> table = {{0, 0}, {1, 1}, {2, 2}, {3, 70}, {4, 3}, {99, 70}};
    for (const auto& row : table) EXPECT_EQ(row.second, static_cast<int>(WorkerExit(row.first))) << row.first;
}

}  // namespace
