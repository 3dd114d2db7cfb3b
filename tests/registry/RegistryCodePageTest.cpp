// Matching with real key names and data in the process's ANSI code page.
// The subtree is written with the narrow functions, so the registry stores
// what the code page means; the search reads it back the same way. ctest
// runs this executable once per locale (1252, 1251, 932); each case skips
// unless the process has its code page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/ExpectedReport.h"
#include "support/ErrorCapture.h"
#include "support/RegistryTestKey.h"
#include "support/SearchRun.h"
#include "support/TempDir.h"
#include "registry/LiveRegistry.h"

using namespace testsupport;
using namespace registrytest;

namespace {

struct ExtraValue {
    std::string name;
    std::string data;
    Hit hit;
};

// Text in one code page: the search text, the same text with its letters in
// the other case, a key name holding the text, a sibling key that follows
// it in enumeration order, and a value name.
struct CodePageTexts {
    std::string text;
    std::string otherCase;
    std::string keyName;
    std::string siblingName;
    std::string valueName;
    std::vector<ExtraValue> extraValues;
};

void RunCodePageSearches(const CodePageTexts& cp) {
    RegistryTestKey key("codepage");
    const std::string inner = cp.keyName + "\\inner";
    // Created in the order of their names (the code page's name, not ASCII,
    // sorts last), which is the enumeration order whether the registry
    // keeps creation order or sorts.
    key.String(cp.keyName, "a other case", cp.otherCase);
    std::vector<ValueLine> values = {{"\"a other case\"=\"" + cp.otherCase + "\"", Hit::ExactOtherCase}};
    for (const ExtraValue& extra : cp.extraValues) {
        key.String(cp.keyName, extra.name.c_str(), extra.data);
        values.push_back({"\"" + extra.name + "\"=\"" + extra.data + "\"", extra.hit});
    }
    key.String(cp.keyName, cp.valueName.c_str(), cp.text);
    values.push_back({"\"" + cp.valueName + "\"=\"" + cp.text + "\"", Hit::Exact});
    key.String(inner, "i", cp.text);
    key.String(cp.siblingName, "s", cp.otherCase);
    ASSERT_TRUE(key.ok());
    const std::vector<KeyBlock> blocks = {
        {cp.keyName, Hit::Contains, values},
        {inner, Hit::Never, {{"\"i\"=\"" + cp.text + "\"", Hit::Exact}}},
        {cp.siblingName, Hit::Never, {{"\"s\"=\"" + cp.otherCase + "\"", Hit::ExactOtherCase}}}};
    const std::vector<std::string> prefixes = {key.CurrentUserPath(), key.UsersPath()};

    for (int matchCase = 0; matchCase <= 1; ++matchCase) {
        SCOPED_TRACE(matchCase ? "case sensitive" : "any case");
        ErrorCapture errors;
        TempDir folder("codepage");
        CurrentDirectoryScope cwd(folder.path());
        CRegKeyTools tools((folder / "Kestrin.ini").c_str(), LiveRegistries());
        SearchCounters counters;
        const RunOptions o{1, 1, 0, matchCase};
        RunSearch(tools, cp.text, o, counters);

        int hits = 0;
        const std::string report = ReadFileBytes(tools.Report().FileName());
        EXPECT_EQ(ExpectedBody(blocks, prefixes, o, &hits), ReportBody(report));
        EXPECT_EQ(hits, SearchCounters::Read(counters.found));
        EXPECT_NE(std::string::npos, report.find(";    for expression: " + cp.text + "\r\n"));
        EXPECT_TRUE(errors.messages().empty());
    }
}

TEST(RegistryCodePage, WesternLettersMatchAcrossCase) {
    if (::GetACP() != 1252) GTEST_SKIP() << "needs code page 1252, have " << ::GetACP();
    const std::string suffix = UniqueSuffix();
    // "kéy" / "KÉY", "À la", "Þ sibling", "été"
    RunCodePageSearches({"k\xE9y" + suffix, "K\xC9Y" + suffix, "\xC0 la k\xE9y" + suffix,
                         "\xDE sibling", "\xE9t\xE9", {}});
}

TEST(RegistryCodePage, CyrillicLettersMatchAcrossCase) {
    if (::GetACP() != 1251) GTEST_SKIP() << "needs code page 1251, have " << ::GetACP();
    const std::string suffix = UniqueSuffix();
    // "ключ" / "КЛЮЧ", "При", "Я sibling", "знач"
    RunCodePageSearches({"\xEA\xEB\xFE\xF7" + suffix, "\xCA\xCB\xDE\xD7" + suffix,
                         "\xCF\xF0\xE8 \xEA\xEB\xFE\xF7" + suffix, "\xDF sibling", "\xE7\xED\xE0\xF7", {}});
}

// In code page 932 a key name may end in a trail byte equal to "\" (the
// katakana "so"), the full-width letters have case, and the text's bytes may
// stand inside a string starting on a trail byte, which is not a match.
TEST(RegistryCodePage, DoubleByteNamesAndDataMatchWholeCharacters) {
    if (::GetACP() != 932) GTEST_SKIP() << "needs code page 932, have " << ::GetACP();
    const std::string suffix = UniqueSuffix();
    const std::string kanji = "\x8C\x9F\x8D\xF5";  // "kensaku"
    const std::string text = "Kzq" + suffix + kanji + "\x82\x81";  // ends in full-width a
    const std::string fullWidthUpper = "Kzq" + suffix + kanji + "\x82\x60";  // full-width A
    std::string upper = "KZQ" + suffix + kanji + "\x82\x60";
    for (char& c : upper)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    const std::string trail = "\x83" + text;  // "ga", whose trail byte is the text's "K"
    RunCodePageSearches({text, upper, "\x83\x5C" + text, "\x8D\xF5 sibling", "\x92\x6C",
                         {{"b full width", fullWidthUpper, Hit::ExactOtherCase}, {"c trail", trail, Hit::Never}}});
}

// /U folds case by the ordinal rules of UTF-16, whatever the code page:
// Latin-1, Greek and Cyrillic letters match their other case unless /C is
// given, and a full-width letter never matches its ASCII look-alike.
TEST(RegistryCodePage, UnicodeSearchFoldsCaseTheSameInEveryCodePage) {
    RegistryTestKey key("codepage-unicode");
    const std::string suffix = UniqueSuffix();
    const std::wstring tail(suffix.begin(), suffix.end());
    const std::wstring lower = L"k\u00e9\u03b2\u0436" + tail;  // k e-acute beta zhe
    const std::wstring upper = L"K\u00c9\u0392\u0416" + tail;
    // Created in the order of their names, the enumeration order either way.
    key.StringW(L"", L"a", upper);
    key.StringW(L"", L"b", L"\uff4b\u00e9\u03b2\u0436" + tail);  // full-width k
    key.StringW(L"", L"c", lower);
    ASSERT_TRUE(key.ok());
    const std::string currentUserPath = key.CurrentUserPath(), usersPath = key.UsersPath();

    for (int matchCase = 0; matchCase <= 1; ++matchCase) {
        SCOPED_TRACE(matchCase ? "case sensitive" : "any case");
        TempDir folder("codepage-unicode");
        CurrentDirectoryScope cwd(folder.path());
        CRegKeyTools tools((folder / "Kestrin.ini").c_str(), LiveRegistries());
        SearchCounters counters;
        PrepareSearch(tools, "unused", RunOptions{0, 1, 0, matchCase}, counters);
        tools.m_unicode = 1;
        lower.copy(tools.m_searchTextWide, lower.size());
        tools.Search();

        const std::wstring values = (matchCase ? L"" : L"\"a\"=\"" + upper + L"\"\r\n") + L"\"c\"=\"" + lower + L"\"\r\n\r\n";
        const std::wstring expected = L"[" + std::wstring(currentUserPath.begin(), currentUserPath.end()) + L"]\r\n" +
                                      values + L"[" + std::wstring(usersPath.begin(), usersPath.end()) + L"]\r\n" +
                                      values;
        EXPECT_EQ(Utf16Bytes(expected), WideReportBody(ReadFileBytes(tools.Report().FileName())));
    }
}

}  // namespace
