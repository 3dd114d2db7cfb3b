// The About box: where it opens, how it closes, and its two link labels
// (what they hand to the shell and how they look).
#include "ui/DialogTest.h"
#include "ui/RegistryFixture.h"

namespace ui {
namespace {

class AboutBoxTest : public DialogTest {
protected:
    void OpenAbout() {
        Click(Control(kAbout));
        ASSERT_TRUE(WaitFor([&] { return (m_about = m_kestrin->FindWindowByCaption("About Kestrin")) != nullptr; }));
    }
    HWND AboutItem(int id) const { return Item(m_about, id); }
    bool AboutClosed() { return WaitFor([&] { return !::IsWindow(m_about); }); }

    HWND m_about = nullptr;
};

TEST_F(AboutBoxTest, OpensCentredOverTheMainDialogAndHoldsItsInput) {
    Start(kFreshSettings);
    // Away from the middle of the screen, so that centred over the dialog
    // and centred on the screen differ.
    ASSERT_TRUE(::SetWindowPos(m_main, nullptr, 40, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    RECT main;
    ASSERT_TRUE(WaitFor([&] { return ::GetWindowRect(m_main, &main) && main.left == 40 && main.top == 60; }));
    OpenAbout();

    RECT about;
    ASSERT_TRUE(::GetWindowRect(m_about, &about));
    LONG width = about.right - about.left;
    LONG height = about.bottom - about.top;
    EXPECT_EQ(about.left, (main.left + main.right) / 2 - width / 2);
    EXPECT_EQ(about.top, (main.top + main.bottom) / 2 - height / 2);
    EXPECT_EQ(::GetWindow(m_about, GW_OWNER), m_main);
    EXPECT_FALSE(::IsWindowEnabled(m_main)) << "the main dialog takes no input meanwhile";
    std::string texts = ChildTexts(m_about);
    EXPECT_NE(texts.find("Kestrin Application v1,0,0,3\n"), std::string::npos) << texts;
}

TEST_F(AboutBoxTest, EscLeavesItOpenAndEnterClosesIt) {
    Start(kFreshSettings);
    OpenAbout();
    ASSERT_TRUE(WaitFor([&] { return FocusOf(m_about) == AboutItem(IDOK); })) << "OK has the focus";
    PressKey(AboutItem(IDOK), VK_ESCAPE);
    ASSERT_TRUE(Flush(AboutItem(IDOK)));
    EXPECT_TRUE(::IsWindowVisible(m_about));

    PressKey(AboutItem(IDOK), VK_RETURN);
    EXPECT_TRUE(AboutClosed());
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(m_main) != FALSE; }));
}

TEST_F(AboutBoxTest, TheCloseBoxClosesIt) {
    Start(kFreshSettings);
    OpenAbout();
    ::PostMessageA(m_about, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(AboutClosed());
    EXPECT_FALSE(m_kestrin->HasExited());
}

TEST_F(AboutBoxTest, TheSearchsMessagesStillReachTheMainDialogWhileItIsOpen) {
    TestKey key;
    std::string token = UniqueToken();
    ASSERT_TRUE(key.SetString("value", token));
    Start(kFreshSettings, FolderWithoutRoomForAReport());
    Type(token);
    StartSearch();
    ASSERT_TRUE(WaitFor([&] { return ErrorBox() != nullptr; }));
    OpenAbout();
    // The held search goes on once its error boxes are dismissed, and ends
    // while the About box is still open.
    EXPECT_TRUE(DismissErrorsUntil([&] { return ControlText(kFindStop) == "&Find" && Enabled(kFindStop); }));
    EXPECT_TRUE(::IsWindowVisible(m_about));
    EXPECT_EQ(ControlText(kStateLine).rfind("Search: Keys ", 0), 0u) << ControlText(kStateLine);
    EXPECT_NE(ControlText(kFoundLine), "Found items: 0");
    ::PostMessageA(m_about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(AboutClosed());
}

TEST_F(AboutBoxTest, AClickOnALinkHandsItsTextToTheShellMaximised) {
    std::string record = m_sandbox.Path("shell.txt");
    ::SetEnvironmentVariableA("KESTRIN_SHELL_RECORD", record.c_str());
    std::string recorder = "\"" + ProgramFolder() + "ui_dialog_tests.exe\" --record-shell \"%1\"";
    ShellVerbOverride web("https", "open", recorder);
    ShellVerbOverride mail("mailto", "open", recorder);
    ASSERT_TRUE(web.Applied() && mail.Applied());
    Start(kFreshSettings);
    OpenAbout();

    std::string expected;
    for (int id : {kHomePage, kMail}) {
        HWND label = AboutItem(id);
        ASSERT_NE(label, nullptr) << id;
        EXPECT_TRUE(::GetWindowLongA(label, GWL_STYLE) & SS_NOTIFY) << "label " << id << " takes clicks";
        std::string text = Text(label);
        ::PostMessageA(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        ::PostMessageA(label, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        expected += "show=" + std::to_string(SW_SHOWMAXIMIZED) + " arg=[" + text + "]\n";
        EXPECT_TRUE(WaitFor([&] { return ReadWholeFile(record) == expected; })) << ReadWholeFile(record);
    }
    EXPECT_EQ(Text(AboutItem(kHomePage)).rfind("https://", 0), 0u);
    EXPECT_EQ(Text(AboutItem(kHomePage)).back(), ' ') << "the home page's text ends with a blank";
    EXPECT_EQ(Text(AboutItem(kMail)).rfind("mailto:", 0), 0u);
    EXPECT_TRUE(::IsWindowVisible(m_about)) << "the box stays open";
}

}  // namespace
}  // namespace ui
