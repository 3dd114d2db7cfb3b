// Show result: the report goes to the shell with the "edit" verb; without
// that verb the error box explains the shell's failure and names the file.
#include "ui/DialogTest.h"
#include "ui/RegistryFixture.h"

#include "support/SystemText.h"

namespace ui {
namespace {

constexpr char kRegFileType[] = "regfile";

class ShowResultTest : public DialogTest {
protected:
    // Runs a search that finds the test key's value and returns the report's path.
    std::string SearchWithAHit() {
        m_key.String("", "value", m_token);
        EXPECT_TRUE(m_key.ok());
        Start(SettingsFile("Off", "On", "Off", "Off", "Off"));
        Type(m_token);
        StartSearch();
        EXPECT_TRUE(WaitForSearchEnd());
        EXPECT_TRUE(Enabled(kShowResult));
        auto reports = m_sandbox.Reports(m_sandbox.Folder());
        EXPECT_EQ(reports.size(), 1u);
        return reports.empty() ? "" : reports.front();
    }

    RegistryTestKey m_key{"ui"};
    std::string m_token = UniqueToken();
};

struct TitleSearch {
    std::string part;
    HWND found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<TitleSearch*>(parameter);
    char title[512] = "";
    ::GetWindowTextA(window, title, sizeof title);
    if (::IsWindowVisible(window) && std::string(title).find(search.part) != std::string::npos) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of any process whose title holds part.
HWND WindowTitled(const std::string& part) {
    TitleSearch search = {part, nullptr};
    ::EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST_F(ShowResultTest, ThePrefixsEditorOpensTheReport) {
    ASSERT_NE(ShellVerbCommand(kRegFileType, "edit"), "")
        << "the prefix has no edit verb for .reg files: run tests/support/prepare-prefix.sh on it";
    std::string report = SearchWithAHit();
    std::string name = report.substr(report.find_last_of('\\') + 1);
    Click(Control(kShowResult));
    HWND editor = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (editor = WindowTitled(name)) != nullptr; })) << "no editor shows " << name;
    ::PostMessageA(editor, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(editor); }));
}

TEST_F(ShowResultTest, TheShellGetsTheReportsPathWithTheEditVerbShownNormally) {
    std::string record = m_sandbox.Path("shell.txt");
    ShellVerbOverride edit(kRegFileType, "edit", ShellRecorderCommand(record));
    ASSERT_TRUE(edit.Applied());
    std::string report = SearchWithAHit();
    Click(Control(kShowResult));
    ASSERT_TRUE(WaitFor([&] { return !ReadFileBytes(record).empty(); }));
    EXPECT_EQ(ReadFileBytes(record), "show=" + std::to_string(SW_SHOW) + " arg=[" + report + "]\n");
}

// The shell answers a missing verb with its own code 31, which as a system
// error code would read "A device attached to the system is not functioning":
// the box must show the system's no-association sentence and code instead.
TEST_F(ShowResultTest, WithoutAnEditVerbTheErrorBoxSaysNoApplicationIsAssociatedWithTheFile) {
    ShellVerbOverride noEdit(kRegFileType, "edit", "");
    ASSERT_TRUE(noEdit.Applied());
    std::string report = SearchWithAHit();
    Click(Control(kShowResult));
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = m_kestrin->FindWindowByCaption("Error:")) != nullptr; }));
    std::string message = ChildTexts(box);
    const std::string sentence = testsupport::SystemText(ERROR_NO_ASSOCIATION);
    ASSERT_FALSE(sentence.empty());
    EXPECT_NE(message.find(sentence + "Facility = 0, Severity = 0, Scode = 1155\n for file " + report + "\n"),
              std::string::npos)
        << message;

    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }));
    EXPECT_TRUE(Enabled(kShowResult)) << "the dialog's state does not change";
    EXPECT_EQ(ControlText(kFindStop), "&Find");
}

}  // namespace
}  // namespace ui
