#pragma once
// What the dialog tests use to work Kestrin.exe from outside, as a user
// would: a private folder with its own copy of the program and settings
// file, the running process, its windows, and waiting on what they show.
// Every wait polls with a deadline; nothing sleeps for a guessed time.
#include <windows.h>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace ui {

using std::chrono::milliseconds;
constexpr milliseconds kPatience{20000};
// A whole search of the prefix's registry takes seconds on a quiet machine
// and many times that on a busy one.
constexpr milliseconds kSearchPatience{180000};

// Polls condition every few milliseconds until it holds or patience runs out.
bool WaitFor(const std::function<bool()>& condition, milliseconds patience = kPatience);

// The folder of the test program itself (build/bin), with a backslash.
std::string ProgramFolder();
using testsupport::FileExists;
using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

// A fresh folder under the temporary folder, holding a copy of Kestrin.exe
// and kestrin-find.exe; removed with everything in it on destruction.
class Sandbox {
public:
    Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::string& Folder() const { return m_folder; }  // ends with a backslash
    std::string Path(const std::string& name) const { return m_folder + name; }
    std::string SettingsPath() const { return Path("Kestrin.ini"); }
    // Makes (if needed) and returns the sub-folder name, with a backslash.
    std::string SubFolder(const std::string& name) const;
    // Makes (if needed) and returns a sub-folder whose full path is at least
    // length characters long: a report named inside it no longer fits a
    // path, so every attempt to create one ends in an error box.
    std::string DeepFolder(size_t length);
    // The .reg files directly inside folder (full paths).
    std::vector<std::string> Reports(const std::string& folder) const;

private:
    testsupport::TempDir m_dir{"ui"};
    std::string m_folder;
};

// One running Kestrin.exe; terminated (as a test failure's clean-up) if still
// running when destroyed.
class KestrinProcess {
public:
    // Starts sandbox's copy with workingFolder as its current directory (the
    // sandbox when empty) and showCommand in its start-up information.
    KestrinProcess(const Sandbox& sandbox, const std::string& workingFolder = "", int showCommand = SW_SHOWNORMAL);
    ~KestrinProcess();
    KestrinProcess(const KestrinProcess&) = delete;
    KestrinProcess& operator=(const KestrinProcess&) = delete;

    bool Started() const { return m_process != nullptr; }
    DWORD Id() const { return m_id; }
    // The visible main dialog ("Kestrin"), waiting for it; null after the wait.
    HWND MainWindow();
    // A visible top-level dialog of this process with this caption, or null.
    HWND FindWindowByCaption(const char* caption) const;
    // Waits for the process to end; its exit code, or STILL_ACTIVE.
    DWORD WaitForExit(milliseconds patience = kPatience);
    bool HasExited() const;

private:
    HANDLE m_process = nullptr;
    DWORD m_id = 0;
    HWND m_main = nullptr;
};

// A visible top-level dialog of process processId with this caption, or null.
HWND FindDialog(DWORD processId, const char* caption);

// Window texts and states, read and set through window messages.
std::string Text(HWND window);
void SetText(HWND window, const std::string& text);
bool IsChecked(HWND button);
// Clicks button and returns once the click has been handled (or the window
// has gone with it).
void Click(HWND button);
// Posts a key press (down and up) to window, as the keyboard would.
void PressKey(HWND window, UINT virtualKey);
// Returns once everything posted to button's thread so far has been handled
// (or the button has gone): posts a harmless state change behind it and
// waits until it shows.
bool Flush(HWND button);
// The child of dialog with this id.
HWND Item(HWND dialog, int id);
// All the texts of a window's children, one per line.
std::string ChildTexts(HWND window);
// The window that has the keyboard focus in the thread of window.
HWND FocusOf(HWND window);

// Runs kestrin-find.exe from sandbox in folder with args; its last progress
// line ("Search: Keys N, Values M  Found items: K").
std::string RunFind(const Sandbox& sandbox, const std::string& folder, const std::string& args);

}  // namespace ui
