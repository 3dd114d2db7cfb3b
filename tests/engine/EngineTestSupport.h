#pragma once
// What the engine's tests share: a private current directory for the
// report and ExcludeKeys.txt, a message-only window that counts the worker's
// posts, a recorder for ReportError's messages, and file reading.
#include <windows.h>
#include <string>
#include <vector>

#include "engine/RegKeyTools.h"
#include "errors/ReportError.h"

// Creates a fresh folder under %TEMP%, makes it the current directory and,
// on destruction, goes back, deletes the files in it and removes it.
class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    // Full path of a file in the folder.
    std::string Path(const std::string& name) const { return m_path + "\\" + name; }
    // Names of the files in the folder that end with suffix.
    std::vector<std::string> Files(const std::string& suffix) const;

private:
    std::string m_path;
    std::string m_previous;
};

// A message-only window of the calling thread: what the engine posts to it
// waits in this thread's queue until Take removes it.
class MessageWindow {
public:
    MessageWindow();
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    HWND get() const { return m_window; }
    // Removes the queued messages of this number and returns how many there were.
    int Take(UINT message);

private:
    HWND m_window;
};

// Routes ReportError to a list instead of a message box while it lives.
class ErrorRecorder {
public:
    ErrorRecorder();
    ~ErrorRecorder();
    ErrorRecorder(const ErrorRecorder&) = delete;
    ErrorRecorder& operator=(const ErrorRecorder&) = delete;

    const std::vector<std::string>& Messages() const;

private:
    ErrorPresenter m_previous;
};

// The search text and the four options that change a walk.
void SetOptions(CRegKeyTools& tools, const std::string& text, int keys, int values, int whole, int matchCase);

// The whole file, or an empty string when it cannot be read.
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
// Writes bytes to path, replacing any file there.
void WriteFileBytes(const std::string& path, const std::string& bytes);
// The report without its header block of eight lines.
std::string ReportBody(const std::string& report);
