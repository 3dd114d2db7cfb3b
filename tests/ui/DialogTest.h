#pragma once
// The fixture of the dialog tests: a sandbox with its own Kestrin.exe and
// Kestrin.ini, the running program and its main dialog.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ui/UiDriver.h"

namespace ui {

// Control ids of the two dialog templates, as users' scripts would know them.
enum ControlId {
    kFindStop = 1000,
    kSearchText = 1001,
    kKeys = 1002,
    kValues = 1003,
    kData = 1004,
    kWholeString = 1005,
    kShowResult = 1008,
    kStateLine = 1009,
    kMatchCase = 1010,
    kFoundLine = 1011,
    kAbout = 57664,
    kExit = 2,
    kHomePage = 1011,
    kMail = 1012,
    kAboutIcon = 1013,
};

// A settings file with the "ExcludeKeys" section and the five options.
std::string SettingsFile(const char* keys, const char* values, const char* data, const char* whole,
                         const char* matchCase);
// The smallest settings file, as the program creates it.
extern const char kFreshSettings[];  // 17 bytes

class DialogTest : public ::testing::Test {
protected:
    // Writes settings (unless empty) beside the sandbox's program, starts it
    // in workingFolder (the sandbox when empty) and waits for its dialog.
    void Start(const std::string& settings, const std::string& workingFolder = "", int showCommand = SW_SHOWNORMAL);
    HWND Control(int id) const { return Item(m_main, id); }
    std::string ControlText(int id) const { return Text(Control(id)); }
    bool Enabled(int id) const { return ::IsWindowEnabled(Control(id)) != FALSE; }
    // A working folder so deep that no report name fits in it: the first hit
    // of a search then shows an error box on the worker thread and holds the
    // search there until the box is dismissed.
    std::string FolderWithoutRoomForAReport() { return m_sandbox.DeepFolder(240); }
    HWND ErrorBox() const { return m_kestrin->FindWindowByCaption("Error:"); }
    // Types text into the search box (the edit box reports the change).
    void Type(const std::string& text) { SetText(Control(kSearchText), text); }
    // Waits until everything posted to the dialog so far has been handled.
    void Settle() { ASSERT_TRUE(Flush(Control(kAbout))); }
    // Presses Find and waits until the worker has started (the caption
    // reads "&Stop").
    void StartSearch();
    // Waits for the end of the running search (as long as a whole search may
    // take): the button reads "&Find" and is enabled again.
    bool WaitForSearchEnd();
    // Dismisses every "Error:" box the program shows until done holds (at
    // most as long as a whole search may take).
    bool DismissErrorsUntil(const std::function<bool()>& done);
    // The program has gone and its exit code was 0.
    void ExpectExitWithZero();

    Sandbox m_sandbox;
    std::unique_ptr<KestrinProcess> m_kestrin;
    HWND m_main = nullptr;
};

}  // namespace ui
