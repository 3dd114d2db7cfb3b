// Start-up and exit of the dialog program: the settings file's options on the
// boxes, when that file is rewritten, the window's place and styles, the
// keyboard order, and two copies side by side.
#include "ui/DialogTest.h"

namespace ui {
namespace {

using StartupTest = DialogTest;

TEST_F(StartupTest, OptionBoxesStartFromTheSettingsFile) {
    Start(SettingsFile("off", "yes", "None", "On", "1"));
    EXPECT_FALSE(IsChecked(Control(kKeys)));
    EXPECT_TRUE(IsChecked(Control(kValues)));
    EXPECT_TRUE(IsChecked(Control(kData))) << "Data shows the file's value";
    EXPECT_FALSE(Enabled(kData)) << "Data can never be changed in the dialog";
    EXPECT_TRUE(IsChecked(Control(kWholeString)));
    EXPECT_FALSE(IsChecked(Control(kMatchCase)));
    EXPECT_EQ(ControlText(kStateLine), "");
    EXPECT_EQ(ControlText(kFoundLine), "");
    EXPECT_EQ(ControlText(kFindStop), "&Find");
    EXPECT_FALSE(Enabled(kFindStop));
    EXPECT_FALSE(Enabled(kShowResult));
    PressKey(Control(kSearchText), VK_ESCAPE);
    ExpectExitWithZero();
}

TEST_F(StartupTest, MissingSettingsFileIsCreatedAndLeftAsItIsWithoutAClick) {
    Start("");
    EXPECT_EQ(ReadFileBytes(m_sandbox.SettingsPath()), kFreshSettings);
    EXPECT_TRUE(IsChecked(Control(kKeys)));
    EXPECT_TRUE(IsChecked(Control(kValues)));
    EXPECT_FALSE(IsChecked(Control(kData)));
    EXPECT_FALSE(IsChecked(Control(kWholeString)));
    EXPECT_FALSE(IsChecked(Control(kMatchCase)));
    // Esc in the idle dialog ends the program.
    PressKey(Control(kSearchText), VK_ESCAPE);
    ExpectExitWithZero();
    EXPECT_EQ(ReadFileBytes(m_sandbox.SettingsPath()), kFreshSettings);
}

TEST_F(StartupTest, ABoxClickedOnAndOffRewritesTheSettingsAtExit) {
    const std::string settings = std::string(kFreshSettings) + "[Options]\r\nKeys=yes\r\n";
    Start(settings);
    Click(Control(kMatchCase));
    Click(Control(kMatchCase));
    Settle();
    EXPECT_FALSE(IsChecked(Control(kMatchCase)));
    Click(Control(kExit));
    ExpectExitWithZero();
    std::string written = ReadFileBytes(m_sandbox.SettingsPath());
    for (const char* line : {"Keys=On\r\n", "Values=On\r\n", "Data=Off\r\n", "WholeString=Off\r\n", "MatchCase=Off\r\n"})
        EXPECT_NE(written.find(line), std::string::npos) << line << " missing from:\n" << written;
}

// One click on any of these boxes is a change of the options: the exit
// writes them, the clicked one now on.
TEST_F(StartupTest, OneClickOnKeysValuesOrWholeStringsIsSavedAtExit) {
    const struct {
        int id;
        const char* line;
    } boxes[] = {{kKeys, "Keys=On\r\n"}, {kValues, "Values=On\r\n"}, {kWholeString, "WholeString=On\r\n"}};
    for (const auto& box : boxes) {
        SCOPED_TRACE(box.line);
        Start(SettingsFile("Off", "Off", "Off", "Off", "Off"));
        Click(Control(box.id));
        Click(Control(kExit));
        ExpectExitWithZero();
        std::string written = ReadFileBytes(m_sandbox.SettingsPath());
        EXPECT_NE(written.find(box.line), std::string::npos) << written;
    }
}

TEST_F(StartupTest, DialogIsCentredInTheWorkAreaWithAMinimiseBoxOnly) {
    Start(kFreshSettings);
    RECT work;
    RECT window;
    ASSERT_TRUE(::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    ASSERT_TRUE(::GetWindowRect(m_main, &window));
    LONG width = window.right - window.left;
    LONG height = window.bottom - window.top;
    EXPECT_EQ(window.left, (work.left + work.right) / 2 - width / 2);
    EXPECT_EQ(window.top, (work.top + work.bottom) / 2 - height / 2);

    LONG style = ::GetWindowLongA(m_main, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_EQ(::GetWindow(m_main, GW_OWNER), nullptr);
    char caption[64] = "";
    ::GetWindowTextA(m_main, caption, sizeof caption);
    EXPECT_STREQ(caption, "Kestrin");
}

TEST_F(StartupTest, MinimisedStartShowsTheDialogMinimised) {
    Start(kFreshSettings, "", SW_SHOWMINNOACTIVE);
    EXPECT_TRUE(WaitFor([&] { return ::IsIconic(m_main) != FALSE; }));
}

TEST_F(StartupTest, TabWalksTheEnabledControlsInTemplateOrder) {
    Start(kFreshSettings);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(m_main) == Control(kSearchText); }))
        << "the edit box, the first tab stop, has the focus at start";
    // Find, Data and Show result are disabled and skipped.
    for (int id : {kKeys, kValues, kWholeString, kMatchCase, kAbout, kExit, kSearchText}) {
        PressKey(FocusOf(m_main), VK_TAB);
        EXPECT_TRUE(WaitFor([&] { return FocusOf(m_main) == Control(id); })) << "next stop should be " << id;
    }
}

TEST_F(StartupTest, TwoCopiesRunSideBySideEachWithItsOwnDialog) {
    Start(kFreshSettings);
    Sandbox otherSandbox;
    KestrinProcess other(otherSandbox);
    HWND otherMain = other.MainWindow();
    ASSERT_NE(otherMain, nullptr);
    ASSERT_NE(otherMain, m_main);

    Type("x");
    ASSERT_TRUE(WaitFor([&] { return Enabled(kFindStop); }));
    Settle();
    EXPECT_FALSE(::IsWindowEnabled(Item(otherMain, kFindStop))) << "typing in one copy leaves the other alone";

    Click(Item(otherMain, kExit));
    EXPECT_EQ(other.WaitForExit(), 0u);
    EXPECT_TRUE(::IsWindow(m_main)) << "closing one copy leaves the other running";
    Click(Control(kExit));
    ExpectExitWithZero();
}

}  // namespace
}  // namespace ui
