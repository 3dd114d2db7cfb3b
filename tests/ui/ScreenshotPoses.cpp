// ui_screenshot_poses.exe: poses the two dialogs for the pictures under
// docs/. A tool, not a test: tests/ui/screenshots.sh runs it with
// KESTRIN_SCREENSHOTS naming a folder (and KESTRIN_SCREENSHOT_SUFFIX, put
// after each picture's name), and takes each pose it hands over there as a
// picture from the X server. It borrows the dialog tests' driver
// and fixture, so a pose that cannot be reached stops it with their message.
#include "ui/DialogTest.h"
#include "ui/WindowDpi.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <set>

namespace ui {
namespace {

std::set<DWORD> ThreadsOf(DWORD processId) {
    std::set<DWORD> threads;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == processId) threads.insert(entry.th32ThreadID);
    }
    ::CloseHandle(snapshot);
    return threads;
}

// Suspends or resumes the given threads.
void Hold(const std::set<DWORD>& threads, bool hold) {
    for (DWORD id : threads) {
        HANDLE thread = ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, id);
        if (!thread) continue;
        hold ? ::SuspendThread(thread) : ::ResumeThread(thread);
        ::CloseHandle(thread);
    }
}

class Screenshot : public DialogTest {
protected:
    void SetUp() override {
        const char* folder = std::getenv("KESTRIN_SCREENSHOTS");
        ASSERT_NE(folder, nullptr) << "run by tests/ui/screenshots.sh, which sets KESTRIN_SCREENSHOTS";
        m_folder = std::string(folder) + "\\";
        const char* suffix = std::getenv("KESTRIN_SCREENSHOT_SUFFIX");
        m_suffix = suffix ? suffix : "";
    }

    // Asks the script to take the screen's part around the windows as
    // name.png, and waits until it has.
    void Pose(const std::string& name, std::initializer_list<HWND> windows) {
        RECT area = {LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
        for (HWND window : windows) {
            RECT rect;
            ASSERT_TRUE(::GetWindowRect(window, &rect));
            area = {std::min(area.left, rect.left), std::min(area.top, rect.top), std::max(area.right, rect.right),
                    std::max(area.bottom, rect.bottom)};
        }
        // The same margin at every scale: 12 pixels at 100%.
        const LONG margin = ::MulDiv(12, static_cast<int>(DpiOfWindow(*windows.begin())), USER_DEFAULT_SCREEN_DPI);
        std::string geometry = std::to_string(area.right - area.left + 2 * margin) + "x" +
                               std::to_string(area.bottom - area.top + 2 * margin) + "+" +
                               std::to_string(area.left - margin) + "+" + std::to_string(area.top - margin);
        ASSERT_TRUE(WriteFileBytes(m_folder + name + m_suffix + ".ready", geometry));
        ASSERT_TRUE(WaitFor([&] { return FileExists(m_folder + name + m_suffix + ".done"); }, std::chrono::seconds(60)));
    }

    std::string m_folder;
    std::string m_suffix;
};

TEST_F(Screenshot, MainDialogDuringASearchAndTheAboutBox) {
    Start(kFreshSettings);
    Type("Explorer");
    std::set<DWORD> before = ThreadsOf(m_kestrin->Id());
    StartSearch();
    std::set<DWORD> worker;
    for (DWORD id : ThreadsOf(m_kestrin->Id())) {
        if (!before.count(id)) worker.insert(id);
    }
    // Some way into the walk, with a few hits.
    ASSERT_TRUE(WaitFor([&] {
        int found = 0;
        return std::sscanf(ControlText(kFoundLine).c_str(), "Found items: %d", &found) == 1 && found >= 5;
    }));
    // Held still, so that the picture shows the search running.
    Hold(worker, true);
    // The mouse away in a corner: common controls 6 light up the control under it.
    ::SetCursorPos(0, 0);
    ::SetForegroundWindow(m_main);
    Settle();
    EXPECT_EQ(ControlText(kFindStop), "&Stop");
    Pose("main-dialog", {m_main});
    Hold(worker, false);
    ASSERT_TRUE(WaitForSearchEnd());

    Click(Control(kAbout));
    HWND about = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (about = m_kestrin->FindWindowByCaption("About Kestrin")) != nullptr; }));
    Flush(Item(about, IDOK));
    Pose("about-box", {m_main, about});
    ::PostMessageA(about, WM_COMMAND, IDOK, 0);
    Click(Control(kExit));
    ExpectExitWithZero();
}

}  // namespace
}  // namespace ui
