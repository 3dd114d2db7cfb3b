#include "engine/EngineTestSupport.h"

#include <cstdio>
#include <cstdlib>

namespace {

std::vector<std::string> g_errorMessages;

void RecordError(const char* message) { g_errorMessages.emplace_back(message); }

}  // namespace

TempDirectory::TempDirectory() {
    static int s_serial = 0;
    char temp[MAX_PATH];
    char current[MAX_PATH];
    if (!::GetTempPathA(sizeof temp, temp) || !::GetCurrentDirectoryA(sizeof current, current))
        std::abort();
    m_previous = current;
    // Wine reuses small process ids, and a crashed run leaves its folder
    // behind: take the first name that is free.
    const std::string stem = std::string(temp) + "kestrin-engine-" + std::to_string(::GetCurrentProcessId()) + "-";
    do {
        m_path = stem + std::to_string(++s_serial);
    } while (!::CreateDirectoryA(m_path.c_str(), nullptr) && ::GetLastError() == ERROR_ALREADY_EXISTS);
    if (!::SetCurrentDirectoryA(m_path.c_str())) std::abort();
}

TempDirectory::~TempDirectory() {
    ::SetCurrentDirectoryA(m_previous.c_str());
    for (const std::string& name : Files("")) ::DeleteFileA(Path(name).c_str());
    ::RemoveDirectoryA(m_path.c_str());
}

std::vector<std::string> TempDirectory::Files(const std::string& suffix) const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA(Path("*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(name);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return names;
}

MessageWindow::MessageWindow()
    : m_window(::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {
    if (!m_window) std::abort();
}

MessageWindow::~MessageWindow() { ::DestroyWindow(m_window); }

int MessageWindow::Take(UINT message) {
    int count = 0;
    MSG msg;
    while (::PeekMessageA(&msg, m_window, message, message, PM_REMOVE)) ++count;
    return count;
}

ErrorRecorder::ErrorRecorder() : m_previous(SetErrorPresenter(&RecordError)) { g_errorMessages.clear(); }

ErrorRecorder::~ErrorRecorder() { SetErrorPresenter(m_previous); }

const std::vector<std::string>& ErrorRecorder::Messages() const { return g_errorMessages; }

void SetOptions(CRegKeyTools& tools, const std::string& text, int keys, int values, int whole, int matchCase) {
    size_t length = text.copy(tools.m_searchText, sizeof tools.m_searchText - 1);
    tools.m_searchText[length] = '\0';
    tools.m_lookAtKeys = keys;
    tools.m_lookAtValues = values;
    tools.m_wholeString = whole;
    tools.m_matchCase = matchCase;
}

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    char chunk[4096];
    size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, count);
    std::fclose(file);
    return bytes;
}

bool FileExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::string ReportBody(const std::string& report) {
    size_t at = 0;
    for (int line = 0; line < 8; ++line) {
        at = report.find("\r\n", at);
        if (at == std::string::npos) return "<header cut short: " + report + ">";
        at += 2;
    }
    return report.substr(at);
}
