// The exclusion list: loaded from the settings file's section, compared
// without regard to case, kept out of the walk, grown by keys that cannot be
// read and saved to ExcludeKeys.txt only after a run that grew it.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "support/ErrorCapture.h"
#include "support/RegistryTestKey.h"
#include "support/SearchRun.h"
#include "support/TempDir.h"
#include "registry/LiveRegistry.h"

using namespace testsupport;

namespace {

class ExcludeKeys : public ::testing::Test {
protected:
    void WriteSection(const std::string& lines) {
        ASSERT_TRUE(WriteFileBytes(m_ini, "[ExcludeKeys]\r\n" + lines + "\r\n[Options]\r\nKeys=On\r\n"));
    }

    TempDir m_folder{"exclude"};
    std::string m_ini = m_folder / "Kestrin.ini";
    CurrentDirectoryScope m_cwd{m_folder.path()};
    ErrorCapture m_errors;
};

TEST_F(ExcludeKeys, SectionLinesBecomeEntriesExactlyAsWritten) {
    WriteSection("HKEY_LOCAL_MACHINE\\Software\\Name=Value\r\nHKEY_CURRENT_USER\\Twice\r\nHKEY_CURRENT_USER\\Twice\r\n"
                 "hkey_local_machine\\software\\lower\r\nHKLM\\Software\\Short\r\n");
    CRegKeyTools tools(m_ini.c_str(), LiveRegistries());
    const std::vector<std::string> expected = {"HKEY_LOCAL_MACHINE\\Software\\Name=Value", "HKEY_CURRENT_USER\\Twice",
                                               "HKEY_CURRENT_USER\\Twice", "hkey_local_machine\\software\\lower",
                                               "HKLM\\Software\\Short"};
    EXPECT_EQ(expected, tools.Exclusions().Entries());

    EXPECT_EQ(1, tools.Exclusions().IsExcluded("HKEY_LOCAL_MACHINE\\SOFTWARE\\LOWER"));
    EXPECT_EQ(1, tools.Exclusions().IsExcluded("HKEY_CURRENT_USER\\twice"));
    EXPECT_EQ(1, tools.Exclusions().IsExcluded("HKEY_LOCAL_MACHINE\\Software\\Name=Value"));
    EXPECT_EQ(0, tools.Exclusions().IsExcluded("HKEY_LOCAL_MACHINE\\Software\\Name"));
    EXPECT_EQ(0, tools.Exclusions().IsExcluded("HKEY_LOCAL_MACHINE\\Software\\lower\\below"));
    EXPECT_EQ(0, tools.Exclusions().IsExcluded("HKEY_LOCAL_MACHINE\\Software\\Short"));
}

// In code page 932 a double-byte character is one unit: neither a trail
// byte that looks like a letter nor a full-width letter is folded, while the
// single-byte letters around them are.
TEST_F(ExcludeKeys, DoubleByteCharactersCompareAsUnits) {
    if (::GetACP() != 932) GTEST_SKIP() << "needs code page 932, have " << ::GetACP();
    WriteSection("HKEY_CURRENT_USER\\Ka\x83\x61\r\nHKEY_CURRENT_USER\\\x82\x81\r\n");
    CRegKeyTools tools(m_ini.c_str(), LiveRegistries());
    EXPECT_EQ(1, tools.Exclusions().IsExcluded("hkey_current_user\\KA\x83\x61"));
    EXPECT_EQ(0, tools.Exclusions().IsExcluded("HKEY_CURRENT_USER\\Ka\x83\x41"));  // trail byte "a" against "A"
    EXPECT_EQ(1, tools.Exclusions().IsExcluded("HKEY_CURRENT_USER\\\x82\x81"));
    EXPECT_EQ(0, tools.Exclusions().IsExcluded("HKEY_CURRENT_USER\\\x82\x60"));  // full-width capital A
}

// A line of "HKEY_CURRENT_USER\Large\" and digits, padded to length bytes.
std::string Entry(int number, size_t length) {
    std::string entry = "HKEY_CURRENT_USER\\Large\\" + std::to_string(number) + "\\";
    entry.resize(length, 'x');
    return entry;
}

// The platform answers a section that does not fit its buffer with the
// buffer's size minus two; the engine's buffer holds 26002 characters. The
// sections here deliver 25999, 26000 (the ambiguous count), 26001 and many
// more characters, counting one terminator per line.
TEST_F(ExcludeKeys, SectionOfAnySizeIsLoadedWhole) {
    for (size_t delivered : {25999u, 26000u, 26001u, 26002u, 100000u}) {
        SCOPED_TRACE(delivered);
        std::string lines;
        std::vector<std::string> entries;
        size_t total = 0;
        while (total < delivered) {
            size_t length = delivered - total > 150 ? 99 : delivered - total - 1;
            entries.push_back(Entry(static_cast<int>(entries.size()), length));
            lines += entries.back() + "\r\n";
            total += length + 1;
        }
        WriteSection(lines);
        CRegKeyTools tools(m_ini.c_str(), LiveRegistries());
        EXPECT_EQ(entries, tools.Exclusions().Entries());
    }
}

// An entry that names only a root has no effect; an entry in other letters
// keeps out that key and its subtree under this root only.
TEST_F(ExcludeKeys, WalkSkipsListedKeysWhateverTheirCaseButNeverARoot) {
    RegistryTestKey key("exclude");
    const std::string text = "Kzq" + UniqueSuffix();
    key.String("kept", "v", text);
    key.String("skipped", "v", text);
    key.String("skipped\\below", "v", text);
    ASSERT_TRUE(key.ok());
    std::string lowered = key.CurrentUserPath() + "\\SKIPPED";
    for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    WriteSection("HKEY_CURRENT_USER\r\n" + lowered + "\r\n");

    CRegKeyTools tools(m_ini.c_str(), LiveRegistries());
    SearchCounters counters;
    RunSearch(tools, text, RunOptions{0, 1, 1, 1}, counters);

    const std::string value = "\"v\"=\"" + text + "\"\r\n\r\n";
    EXPECT_EQ("[" + key.CurrentUserPath() + "\\kept]\r\n" + value + "[" + key.UsersPath() + "\\kept]\r\n" + value +
                  "[" + key.UsersPath() + "\\skipped]\r\n" + value + "[" + key.UsersPath() + "\\skipped\\below]\r\n" + value,
              ReportBody(ReadFileBytes(tools.Report().FileName())));
}

// A key that cannot be opened exists before the first run, so that run
// grows the list whatever the prefix holds: it replaces a stale file with
// the loaded entries, the prefix's own unreadable keys (if any) and that
// key's two paths (under both roots). A second run after one more such key
// appears must leave exactly the first file's lines and the new key's two:
// the file is rewritten whole, never appended to. A third run adds nothing
// and leaves the file alone.
TEST_F(ExcludeKeys, FileHoldsTheWholeListAfterARunThatGrewItOnly) {
    const std::string loaded = "HKEY_LOCAL_MACHINE\\Software\\Loaded=One\r\nHKEY_USERS\\Twice\r\nHKEY_USERS\\Twice\r\n";
    WriteSection(loaded);
    CRegKeyTools tools(m_ini.c_str(), LiveRegistries());
    SearchCounters counters;
    const std::string nowhere = "Kzq" + UniqueSuffix() + " nowhere";
    const std::string file = m_folder / "ExcludeKeys.txt";
    ASSERT_TRUE(WriteFileBytes(file, "stale line from an older run\r\n"));
    RegistryTestKey key("unreadable");
    const std::string a = key.KeyW(L"a\u05D0");
    ASSERT_TRUE(key.ok());

    RunSearch(tools, nowhere, RunOptions{1, 0, 0, 0}, counters);
    const std::string afterFirst = ReadFileBytes(file);
    EXPECT_EQ(0u, afterFirst.find(loaded)) << afterFirst;
    EXPECT_EQ(std::string::npos, afterFirst.find("stale")) << afterFirst;
    for (const std::string& root : {key.CurrentUserPath(), key.UsersPath()})
        EXPECT_NE(std::string::npos, afterFirst.find("\n" + root + "\\" + a + "\r\n")) << afterFirst;

    const std::string b = key.KeyW(L"b\u05D0");
    key.KeyW(L"b\u05D0\\below");
    ASSERT_TRUE(key.ok());
    RunSearch(tools, nowhere, RunOptions{1, 0, 0, 0}, counters);
    EXPECT_EQ(afterFirst + key.CurrentUserPath() + "\\" + b + "\r\n" + key.UsersPath() + "\\" + b + "\r\n",
              ReadFileBytes(file));

    ASSERT_TRUE(WriteFileBytes(file, "left alone"));
    RunSearch(tools, nowhere, RunOptions{1, 0, 0, 0}, counters);
    EXPECT_EQ("left alone", ReadFileBytes(file));
    EXPECT_TRUE(m_errors.messages().empty());
}

}  // namespace
