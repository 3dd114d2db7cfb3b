// The About box: where it opens, how it closes, and its two link labels
// (what they hand to the shell and how they look).
#include "ui/DialogTest.h"
#include "ui/AboutBoxHere.h"
#include "ui/RegistryFixture.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "KestrinVersion.h"
#include "resource.h"
#include "ui/WindowDpi.h"
#include "ui/framework/AppModule.h"

// The driver's own module, for the About box that it runs itself.
CAppModule g_appModule;

namespace ui {
namespace {

// One window's client area as the window paints it into a bitmap of the
// calling process (WM_PRINTCLIENT): no screen is read, so no other window
// can cover it. The window must belong to this process.
class PaintedPixels {
public:
    explicit PaintedPixels(HWND window) {
        RECT rect;
        ::GetClientRect(window, &rect);
        m_width = rect.right;
        m_height = rect.bottom;
        HDC screen = ::GetDC(nullptr);
        HDC memory = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, m_width, m_height);
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ::SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT | PRF_ERASEBKGND);
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

// The description of the font that window draws its text with.
LOGFONTA FontOf(HWND window) {
    LOGFONTA description = {};
    auto font = reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0));
    if (font) ::GetObjectA(font, sizeof description, &description);
    return description;
}

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
    EXPECT_NE(texts.find(KESTRIN_ABOUT_VERSION "\n"), std::string::npos) << texts;
}

// Centred over a main dialog that lies across a corner of the work area, the
// box would stick out of it: it is kept inside, at the right and bottom
// edges, and at the left and top ones.
TEST_F(AboutBoxTest, NearAScreenEdgeItIsKeptInsideTheWorkArea) {
    Start(kFreshSettings);
    RECT work;
    RECT main;
    ASSERT_TRUE(::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    ASSERT_TRUE(::GetWindowRect(m_main, &main));
    const LONG width = main.right - main.left;
    const LONG height = main.bottom - main.top;
    for (bool bottomRight : {true, false}) {
        SCOPED_TRACE(bottomRight ? "bottom right" : "top left");
        const LONG x = (bottomRight ? work.right : work.left) - width / 2;
        const LONG y = (bottomRight ? work.bottom : work.top) - height / 2;
        ASSERT_TRUE(::SetWindowPos(m_main, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
        ASSERT_TRUE(WaitFor([&] { return ::GetWindowRect(m_main, &main) && main.left == x && main.top == y; }));
        OpenAbout();
        RECT about;
        ASSERT_TRUE(::GetWindowRect(m_about, &about));
        if (bottomRight) {
            EXPECT_EQ(about.right, work.right);
            EXPECT_EQ(about.bottom, work.bottom);
        } else {
            EXPECT_EQ(about.left, work.left);
            EXPECT_EQ(about.top, work.top);
        }
        ::PostMessageA(m_about, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(AboutClosed());
    }
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
    // The Found line read 0 when the box opened (the hit that holds the
    // search is counted once its box is dismissed).
    int found = 0;
    EXPECT_EQ(std::sscanf(ControlText(kFoundLine).c_str(), "Found items: %d", &found), 1) << ControlText(kFoundLine);
    EXPECT_GE(found, 1);
    ::PostMessageA(m_about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(AboutClosed());
}

TEST_F(AboutBoxTest, AClickOnALinkHandsItsTextToTheShellMaximised) {
    std::string record = m_sandbox.Path("shell.txt");
    std::string recorder = ShellRecorderCommand(record);
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

TEST(AboutBoxHere, LinkLabelsAreBlueOnTheButtonFaceInAnUnderlinedCopyOfTheirFont) {
    AboutBoxHere about;
    ASSERT_NE(about.Box(), nullptr);
    HWND author = ChildWithText(about.Box(), "Author:");
    ASSERT_NE(author, nullptr);
    const LOGFONTA plainFont = FontOf(author);
    EXPECT_FALSE(plainFont.lfUnderline) << "other texts keep the dialog's font";
    const COLORREF blue = RGB(0, 0, 255);
    for (int id : {kHomePage, kMail}) {
        HWND label = Item(about.Box(), id);
        ASSERT_NE(label, nullptr) << id;
        const LOGFONTA font = FontOf(label);
        EXPECT_TRUE(font.lfUnderline) << "label " << id;
        EXPECT_STREQ(font.lfFaceName, plainFont.lfFaceName) << "label " << id;
        EXPECT_EQ(font.lfHeight, plainFont.lfHeight) << "label " << id;

        PaintedPixels painted(label);
        EXPECT_GT(painted.Count(blue), 20) << "label " << id << " is drawn in blue";
        EXPECT_GT(painted.Count(::GetSysColor(COLOR_BTNFACE)), 20)
            << "label " << id << " has the button face behind its characters";
        // Only an underline makes a long unbroken stroke of text colour.
        EXPECT_GE(painted.LongestRun(blue), 30) << "label " << id << " is underlined";
    }
    PaintedPixels plain(author);
    EXPECT_GT(plain.Count(::GetSysColor(COLOR_BTNTEXT)), 20) << "the plain label painted its text";
    EXPECT_EQ(plain.Count(blue), 0) << "other texts keep the default colours";
    EXPECT_LT(plain.LongestRun(::GetSysColor(COLOR_BTNTEXT)), 10) << "and are not underlined";
}

// The width of an icon or cursor of this process.
int ImageWidth(HICON image) {
    ICONINFO info = {};
    if (!image || !::GetIconInfo(image, &info)) return 0;
    BITMAP mask = {};
    ::GetObjectA(info.hbmMask, sizeof mask, &mask);
    ::DeleteObject(info.hbmMask);
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
    return mask.bmWidth;
}

// Moved to a monitor of twice the scale, the box remakes what it drew
// itself at the old one: the link fonts, the hand cursor and the icon.
TEST(AboutBoxHere, AtANewDpiTheLinkFontsTheHandCursorAndTheIconAreRemadeForIt) {
    AboutBoxHere about;
    HWND box = about.Box();
    ASSERT_NE(box, nullptr);
    HWND icon = Item(box, kAboutIcon);
    const UINT dpi = DpiOfWindow(box);
    const LOGFONTA before = FontOf(Item(box, kHomePage));
    auto iconWidth = [&] { return ImageWidth(reinterpret_cast<HICON>(::SendMessageA(icon, STM_GETICON, 0, 0))); };
    // The icon's room: its square of dialog units in the template.
    RECT room = {0, 0, ABOUT_ICON_UNITS, ABOUT_ICON_UNITS};
    ASSERT_TRUE(::MapDialogRect(box, &room));
    const int iconBefore = iconWidth();
    EXPECT_GE(iconBefore, SystemMetricForDpi(SM_CXICON, USER_DEFAULT_SCREEN_DPI));
    EXPECT_LE(iconBefore, std::max<int>(room.bottom, SystemMetricForDpi(SM_CXICON, USER_DEFAULT_SCREEN_DPI)));
    auto handShows = [&](int id, UINT at) {
        return WaitFor([&] { return ImageWidth(CursorOver(Item(box, id))) == SystemMetricForDpi(SM_CXCURSOR, at); });
    };
    EXPECT_TRUE(handShows(kHomePage, dpi));

    const UINT doubled = 2 * dpi;
    RECT suggested;
    ASSERT_TRUE(::GetWindowRect(box, &suggested));
    ::SendMessageA(box, WM_DPICHANGED, MAKEWPARAM(doubled, doubled), reinterpret_cast<LPARAM>(&suggested));
    for (int id : {kHomePage, kMail}) {
        const LOGFONTA after = FontOf(Item(box, id));
        EXPECT_TRUE(after.lfUnderline) << "label " << id;
        EXPECT_EQ(after.lfHeight, 2 * before.lfHeight) << "label " << id;
        EXPECT_STREQ(after.lfFaceName, before.lfFaceName) << "label " << id;
    }
    // Larger, but inside its room at the new scale (the box's layout is
    // not rescaled here: Wine's dialogs do not follow a DPI change).
    EXPECT_GT(iconWidth(), iconBefore);
    EXPECT_LE(iconWidth(), 2 * std::min(room.right, room.bottom));
    EXPECT_TRUE(handShows(kMail, doubled));
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
