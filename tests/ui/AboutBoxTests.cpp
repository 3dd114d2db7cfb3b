// The About box: where it opens, how it closes, and its two link labels
// (what they hand to the shell and how they look).
#include "ui/DialogTest.h"
#include "ui/RegistryFixture.h"

#include <algorithm>
#include <vector>

namespace ui {
namespace {

// One window's pixels as the screen shows them, row by row.
class ScreenPixels {
public:
    explicit ScreenPixels(HWND window) {
        RECT rect;
        ::GetWindowRect(window, &rect);
        m_width = rect.right - rect.left;
        m_height = rect.bottom - rect.top;
        HDC screen = ::GetDC(nullptr);
        HDC memory = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, m_width, m_height);
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ::BitBlt(memory, 0, 0, m_width, m_height, screen, rect.left, rect.top, SRCCOPY);
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) m_pixels.push_back(::GetPixel(memory, x, y));
        ::SelectObject(memory, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(memory);
        ::ReleaseDC(nullptr, screen);
    }
    int Count(COLORREF colour) const { return static_cast<int>(std::count(m_pixels.begin(), m_pixels.end(), colour)); }
    // The longest horizontal run of colour in any row.
    int LongestRun(COLORREF colour) const {
        int longest = 0;
        for (int y = 0; y < m_height; ++y) {
            int run = 0;
            for (int x = 0; x < m_width; ++x) {
                run = m_pixels[y * m_width + x] == colour ? run + 1 : 0;
                longest = std::max(longest, run);
            }
        }
        return longest;
    }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<COLORREF> m_pixels;
};

struct ChildSearch {
    std::string text;
    HWND found;
};

BOOL CALLBACK MatchChildText(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<ChildSearch*>(parameter);
    if (Text(window) != search.text) return TRUE;
    search.found = window;
    return FALSE;
}

// The child of dialog that shows text.
HWND ChildWithText(HWND dialog, const std::string& text) {
    ChildSearch search = {text, nullptr};
    ::EnumChildWindows(dialog, MatchChildText, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Moves the mouse to the middle of window and returns the cursor shown
// there (the handle; the cursor itself belongs to the program under it).
HCURSOR CursorOver(HWND window) {
    RECT rect;
    ::GetWindowRect(window, &rect);
    ::SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    CURSORINFO cursor = {};
    cursor.cbSize = sizeof cursor;
    return ::GetCursorInfo(&cursor) ? cursor.hCursor : nullptr;
}

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
    RegistryTestKey key{"ui"};
    std::string token = UniqueToken();
    key.String("", "value", token);
    ASSERT_TRUE(key.ok());
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
        EXPECT_TRUE(WaitFor([&] { return ReadFileBytes(record) == expected; })) << ReadFileBytes(record);
    }
    EXPECT_EQ(Text(AboutItem(kHomePage)).rfind("https://", 0), 0u);
    EXPECT_EQ(Text(AboutItem(kHomePage)).back(), ' ') << "the home page's text ends with a blank";
    EXPECT_EQ(Text(AboutItem(kMail)).rfind("mailto:", 0), 0u);
    EXPECT_TRUE(::IsWindowVisible(m_about)) << "the box stays open";
}

TEST_F(AboutBoxTest, LinkLabelsAreBlueOnTheButtonFaceAndUnderlined) {
    Start(kFreshSettings);
    OpenAbout();
    ASSERT_TRUE(Flush(AboutItem(IDOK)));
    const COLORREF blue = RGB(0, 0, 255);
    const COLORREF buttonFace = ::GetSysColor(COLOR_BTNFACE);
    // The screen is read where the box lies: nothing may cover it (under
    // Wine a console program that an earlier test had the shell start gets a
    // console window of its own, which may linger on top). And painting
    // comes after every posted message, so the flush above does not promise
    // pixels on the screen: the box and its labels are painted now.
    ::SetWindowPos(m_about, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::RedrawWindow(m_about, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    for (int id : {kHomePage, kMail}) {
        ScreenPixels label(AboutItem(id));
        EXPECT_GT(label.Count(blue), 20) << "label " << id << " is drawn in blue";
        EXPECT_GT(label.Count(buttonFace), 20) << "label " << id << " has the button face behind its characters";
        // Only an underline makes a long unbroken stroke of text colour.
        EXPECT_GE(label.LongestRun(blue), 30) << "label " << id << " is underlined";
    }
    HWND author = ChildWithText(m_about, "Author:");
    ASSERT_NE(author, nullptr);
    ScreenPixels plain(author);
    EXPECT_EQ(plain.Count(blue), 0) << "other texts keep the default colours";
    EXPECT_LT(plain.LongestRun(::GetSysColor(COLOR_BTNTEXT)), 10) << "and are not underlined";
}

TEST_F(AboutBoxTest, TheMouseOverALinkShowsTheLinksCursorAndTheArrowElsewhere) {
    Start(kFreshSettings);
    OpenAbout();
    ASSERT_TRUE(Flush(AboutItem(IDOK)));
    HWND author = ChildWithText(m_about, "Author:");
    ASSERT_NE(author, nullptr);
    HCURSOR arrow = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (arrow = CursorOver(AboutItem(IDOK))) != nullptr; }));
    // Wine does not let another process look into a cursor, so the test
    // tells the cursors apart by handle; the hand's picture and hot spot are
    // checked on the resource itself (ResourceTests).
    HCURSOR hand = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (hand = CursorOver(AboutItem(kHomePage))) != arrow && hand; }))
        << "a link shows a cursor of its own";
    EXPECT_TRUE(WaitFor([&] { return CursorOver(AboutItem(kMail)) == hand; })) << "both links show the same one";
    EXPECT_TRUE(WaitFor([&] { return CursorOver(author) == arrow; })) << "plain texts take no mouse input";
}

}  // namespace
}  // namespace ui
