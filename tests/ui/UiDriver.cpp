#include "ui/UiDriver.h"

#include "base/ExecutableFolder.h"
#include "support/ChildProcess.h"

namespace ui {

namespace {

constexpr UINT kMessageTimeout = 5000;

struct WindowSearch {
    DWORD processId;
    const char* caption;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    char className[64] = "";
    char caption[256] = "";
    ::GetClassNameA(window, className, sizeof className);
    ::GetWindowTextA(window, caption, sizeof caption);
    if (owner == search.processId && ::IsWindowVisible(window) && std::string(className) == "#32770" &&
        search.caption == std::string(caption)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectText(HWND window, LPARAM parameter) {
    *reinterpret_cast<std::string*>(parameter) += Text(window) + "\n";
    return TRUE;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kMessageTimeout, &result);
    return static_cast<LRESULT>(result);
}

}  // namespace

bool WaitFor(const std::function<bool()>& condition, milliseconds patience) {
    auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        ::Sleep(5);
    }
}

std::string ProgramFolder() { return ExecutableFolder() + "\\"; }

Sandbox::Sandbox() : m_folder(m_dir.path() + "\\") {
    for (const char* program : {"Kestrin.exe", "kestrin-find.exe"})
        ::CopyFileA((ProgramFolder() + program).c_str(), Path(program).c_str(), FALSE);
}

std::string Sandbox::SubFolder(const std::string& name) const {
    ::CreateDirectoryA((m_folder + name).c_str(), nullptr);
    return m_folder + name + "\\";
}

std::string Sandbox::DeepFolder(size_t length) {
    std::string name = "deep";
    if (m_folder.size() + name.size() + 1 < length) name.append(length - m_folder.size() - name.size() - 1, 'd');
    return SubFolder(name);
}

std::vector<std::string> Sandbox::Reports(const std::string& folder) const {
    std::vector<std::string> reports;
    WIN32_FIND_DATAA entry;
    HANDLE find = ::FindFirstFileA((folder + "*.reg").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return reports;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) reports.push_back(folder + entry.cFileName);
    } while (::FindNextFileA(find, &entry));
    ::FindClose(find);
    return reports;
}

KestrinProcess::KestrinProcess(const Sandbox& sandbox, const std::string& workingFolder, int showCommand) {
    std::string program = sandbox.Path("Kestrin.exe");
    std::string commandLine = "\"" + program + "\"";
    std::string folder = workingFolder.empty() ? sandbox.Folder() : workingFolder;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION info = {};
    if (::CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                         &startup, &info)) {
        ::CloseHandle(info.hThread);
        m_process = info.hProcess;
        m_id = info.dwProcessId;
    }
}

KestrinProcess::~KestrinProcess() {
    if (!m_process) return;
    if (!HasExited()) {
        ::TerminateProcess(m_process, 99);
        ::WaitForSingleObject(m_process, 5000);
    }
    ::CloseHandle(m_process);
}

HWND KestrinProcess::MainWindow() {
    if (!m_main || !::IsWindow(m_main)) {
        m_main = nullptr;
        WaitFor([&] { return (m_main = FindWindowByCaption("Kestrin")) != nullptr || HasExited(); });
    }
    return m_main;
}

HWND KestrinProcess::FindWindowByCaption(const char* caption) const { return FindDialog(m_id, caption); }

DWORD KestrinProcess::WaitForExit(milliseconds patience) {
    if (!m_process || ::WaitForSingleObject(m_process, static_cast<DWORD>(patience.count())) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(m_process, &code);
    return code;
}

bool KestrinProcess::HasExited() const { return !m_process || ::WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0; }

HWND FindDialog(DWORD processId, const char* caption) {
    WindowSearch search = {processId, caption, nullptr};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string Text(HWND window) {
    auto length = Send(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    auto copied = Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(copied));
    return text;
}

void SetText(HWND window, const std::string& text) {
    Send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool IsChecked(HWND button) { return Send(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Click(HWND button) {
    // Clicks posted back to back can lose the second one while the first
    // moves the activation (the button's mouse capture goes with it): each
    // click is handled before the next is posted.
    ::PostMessageA(button, BM_CLICK, 0, 0);
    Flush(button);
}

void PressKey(HWND window, UINT virtualKey) {
    UINT scanCode = ::MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    ::PostMessageA(window, WM_KEYDOWN, virtualKey, 1 | (scanCode << 16));
    ::PostMessageA(window, WM_KEYUP, virtualKey, 1 | (scanCode << 16) | (3u << 30));
}

bool Flush(HWND button) {
    auto pushed = [&] { return (Send(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0; };
    ::PostMessageA(button, BM_SETSTATE, TRUE, 0);
    if (!WaitFor([&] { return pushed() || !::IsWindow(button); })) return false;
    ::PostMessageA(button, BM_SETSTATE, FALSE, 0);
    return WaitFor([&] { return !pushed() || !::IsWindow(button); });
}

HWND Item(HWND dialog, int id) { return ::GetDlgItem(dialog, id); }

std::string ChildTexts(HWND window) {
    std::string texts;
    ::EnumChildWindows(window, CollectText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

std::string RunFind(const Sandbox& sandbox, const std::string& folder, const std::string& args) {
    std::string program = sandbox.Path("kestrin-find.exe");
    testsupport::ChildProcess find;
    if (!find.Start(program, "\"" + program + "\" " + args, folder)) return "";
    find.Wait();
    // Progress goes to stderr; stdout only names the report.
    const std::string& output = find.Err();
    size_t last = output.rfind("Search:");
    if (last == std::string::npos) return "";
    return output.substr(last, output.find_first_of("\r\n", last) - last);
}

}  // namespace ui
