// The settings file: created with its 17 bytes when missing and never
// truncated when present, the options' defaults and spellings, and the write
// at exit only after a change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/ExecutableFolder.h"
#include "support/ChildProcess.h"
#include "support/ErrorCapture.h"
#include "support/SearchRun.h"
#include "support/TempDir.h"
#include "registry/LiveRegistry.h"

using namespace testsupport;

namespace {

constexpr char kCreated[] = "[ExcludeKeys]\r\n\r\n";

struct Flags {
    int keys, values, data, whole, matchCase;
};

Flags FlagsOf(const CRegKeyTools& tools) {
    return {tools.m_lookAtKeys, tools.m_lookAtValues, tools.m_lookAtData, tools.m_wholeString, tools.m_matchCase};
}

void ExpectFlags(const Flags& expected, const Flags& got) {
    EXPECT_EQ(expected.keys, got.keys) << "Keys";
    EXPECT_EQ(expected.values, got.values) << "Values";
    EXPECT_EQ(expected.data, got.data) << "Data";
    EXPECT_EQ(expected.whole, got.whole) << "WholeString";
    EXPECT_EQ(expected.matchCase, got.matchCase) << "MatchCase";
}

class SettingsFile : public ::testing::Test {
protected:
    // The flags that a settings file with these bytes gives.
    Flags ReadFlags(const std::string& bytes) {
        EXPECT_TRUE(WriteFileBytes(m_ini, bytes));
        CRegKeyTools tools(m_ini.c_str(), LiveRegistries());
        return FlagsOf(tools);
    }

    TempDir m_folder{"settings"};
    std::string m_ini = m_folder / "Kestrin.ini";
    ErrorCapture m_errors;
};

TEST_F(SettingsFile, MissingFileIsCreatedWithSeventeenBytesAndDefaultsApply) {
    {
        CRegKeyTools tools(m_ini.c_str(), LiveRegistries());
        EXPECT_EQ(std::string(kCreated, 17), ReadFileBytes(m_ini));
        ExpectFlags({1, 1, 0, 0, 0}, FlagsOf(tools));
    }
    EXPECT_EQ(std::string(kCreated, 17), ReadFileBytes(m_ini)) << "no change, no write at exit";
    EXPECT_TRUE(m_errors.messages().empty());
}

TEST_F(SettingsFile, ExistingFileIsNeverTruncated) {
    for (const std::string& bytes : {std::string(), std::string("[Options]\r\nKeys=Off\r\n; a remark\r\n")}) {
        ASSERT_TRUE(WriteFileBytes(m_ini, bytes));
        { CRegKeyTools tools(m_ini.c_str(), LiveRegistries()); }
        EXPECT_EQ(bytes, ReadFileBytes(m_ini));
    }
}

TEST(IsOnText, AnyValueHoldingOnOrYesIsOn) {
    const std::vector<std::pair<const char*, int>> spellings = {
        {"on", 1},  {"On", 1},  {"yes", 1}, {"\"YES\"", 1}, {"None", 1}, {"Online", 1},
        {"Off", 0}, {"No", 0},  {"0", 0},   {"1", 0},       {"True", 0}, {"", 0}};
    for (const auto& spelling : spellings) {
        std::string buffer(26002, '\0');
        std::copy(spelling.first, spelling.first + std::strlen(spelling.first), buffer.begin());
        EXPECT_EQ(spelling.second, CSettings::IsOnText(&buffer[0], buffer.size())) << spelling.first;
    }
}

TEST_F(SettingsFile, OptionsAreJudgedByTheirSpelling) {
    ExpectFlags({1, 0, 1, 0, 1}, ReadFlags("[Options]\r\nKeys=on\r\nValues=No\r\nData=None\r\nWholeString=1\r\n"
                                           "MatchCase=yes\r\n"));
    ExpectFlags({0, 1, 0, 1, 0}, ReadFlags("[Options]\r\nKeys=True\r\nValues=\"YES\"\r\nData=0\r\n"
                                           "WholeString=Online\r\nMatchCase=Off\r\n"));
}

TEST_F(SettingsFile, EmptyValueKeepsTheValueBeforeTheRead) {
    ExpectFlags({0, 1, 0, 0, 0}, ReadFlags("[Options]\r\nKeys=\r\nValues=\r\nData=\r\nWholeString=\r\nMatchCase=\r\n"));
}

TEST_F(SettingsFile, ChangedOptionsAreNotWrittenWithoutTheChangedMark) {
    const std::string bytes = "[ExcludeKeys]\r\nHKEY_USERS\\X\r\n\r\n[Options]\r\nKeys=On\r\n";
    ASSERT_TRUE(WriteFileBytes(m_ini, bytes));
    {
        CRegKeyTools tools(m_ini.c_str(), LiveRegistries());
        tools.m_lookAtKeys = 0;
        tools.m_matchCase = 1;
        tools.SetSettingsChanged(0);
    }
    EXPECT_EQ(bytes, ReadFileBytes(m_ini));
}

TEST_F(SettingsFile, ChangedMarkWritesTheFiveOptionsAndNothingElse) {
    ASSERT_TRUE(WriteFileBytes(m_ini, "[ExcludeKeys]\r\nHKEY_USERS\\X\r\n\r\n[Options]\r\nKeys=yes\r\nOther=kept\r\n"));
    {
        CRegKeyTools tools(m_ini.c_str(), LiveRegistries());
        tools.m_lookAtKeys = 0;
        tools.m_lookAtValues = 1;
        tools.m_lookAtData = 1;
        tools.m_wholeString = 0;
        tools.m_matchCase = 7;  // any non-zero flag is on
        tools.SetSettingsChanged(1);
    }
    const std::vector<std::pair<const char*, const char*>> written = {
        {"Keys", "Off"}, {"Values", "On"}, {"Data", "On"}, {"WholeString", "Off"}, {"MatchCase", "On"}, {"Other", "kept"}};
    for (const auto& key : written) {
        char value[64] = "";
        ::GetPrivateProfileStringA("Options", key.first, "(absent)", value, sizeof value, m_ini.c_str());
        EXPECT_STREQ(key.second, value) << key.first;
    }
    const std::string bytes = ReadFileBytes(m_ini);
    EXPECT_EQ(0u, bytes.find("[ExcludeKeys]\r\nHKEY_USERS\\X\r\n")) << bytes;
    EXPECT_TRUE(AllLineEndsAreCrLf(bytes)) << bytes;
}

// The settings file's name comes from the executable's own path: the
// extension is replaced by "ini", a name without one gets ".ini", and a dot
// in a folder's name is not the extension's. Copies of a small probe that
// builds the engine run under such names.
TEST_F(SettingsFile, SettingsFileLiesBesideTheExecutableUnderItsName) {
    const std::string probe = ReadFileBytes(ExecutableFolder() + "\\kestrin-settings-probe.exe");
    ASSERT_FALSE(probe.empty());
    ASSERT_TRUE(::CreateDirectoryA((m_folder / "dir.with.dot").c_str(), nullptr));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {m_folder / "probe", m_folder / "probe.ini"},
        {m_folder / "dir.with.dot\\probe", m_folder / "dir.with.dot\\probe.ini"},
        {m_folder / "my.probe.exe", m_folder / "my.probe.ini"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteFileBytes(c.first, probe));
        ChildProcess child;
        ASSERT_TRUE(child.Start(c.first, "probe", m_folder.path())) << c.first;
        EXPECT_EQ(0, child.Wait()) << child.Err();
        EXPECT_EQ(c.second, child.Out());
        EXPECT_EQ(std::string(kCreated, 17), ReadFileBytes(c.second)) << c.second;
    }
    EXPECT_FALSE(FileExists(m_folder / "dir.ini"));
}

}  // namespace
