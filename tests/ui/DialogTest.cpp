#include "ui/DialogTest.h"

namespace ui {

const char kFreshSettings[] = "[ExcludeKeys]\r\n\r\n";

std::string SettingsFile(const char* keys, const char* values, const char* data, const char* whole,
                         const char* matchCase) {
    return std::string(kFreshSettings) + "[Options]\r\nKeys=" + keys + "\r\nValues=" + values + "\r\nData=" + data +
           "\r\nWholeString=" + whole + "\r\nMatchCase=" + matchCase + "\r\n";
}

void DialogTest::Start(const std::string& settings, const std::string& workingFolder, int showCommand) {
    if (!settings.empty()) {
        ASSERT_TRUE(WriteFileBytes(m_sandbox.SettingsPath(), settings));
    }
    m_kestrin = std::make_unique<KestrinProcess>(m_sandbox, workingFolder, showCommand);
    ASSERT_TRUE(m_kestrin->Started()) << "Kestrin.exe could not be started from " << m_sandbox.Folder();
    m_main = m_kestrin->MainWindow();
    // Wine's desktop belongs to the first program of a server that needed
    // one; started without an X display (a console test run with no DISPLAY
    // before this one), it gives no program of that server a window.
    ASSERT_NE(m_main, nullptr) << "no main dialog appeared; if Kestrin.exe ended at once, the Wine server's "
                                  "desktop may have been started without a display: run the tests with DISPLAY set";
}

void DialogTest::StartSearch() {
    ASSERT_TRUE(Enabled(kFindStop));
    Click(Control(kFindStop));
    ASSERT_TRUE(WaitFor([&] { return ControlText(kFindStop) == "&Stop"; })) << ControlText(kFindStop);
}

bool DialogTest::WaitForSearchEnd() {
    return WaitFor([&] { return ControlText(kFindStop) == "&Find" && Enabled(kFindStop); }, kSearchPatience);
}

bool DialogTest::DismissErrorsUntil(const std::function<bool()>& done) {
    return WaitFor([&] {
        if (done()) return true;
        if (HWND box = m_kestrin->FindWindowByCaption("Error:")) ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        return false;
    }, kSearchPatience);
}

void DialogTest::ExpectExitWithZero() {
    EXPECT_EQ(m_kestrin->WaitForExit(), 0u);
    EXPECT_FALSE(::IsWindow(m_main));
}

}  // namespace ui
