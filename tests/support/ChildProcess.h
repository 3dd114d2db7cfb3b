#pragma once
#include <windows.h>
#include <string>

namespace testsupport {

// Starts a program of the build as a child process with its standard output
// and error on pipes. The pipes are read while the child runs and drained
// once it has ended, without waiting for their end: under Wine the child
// that first makes a window starts explorer.exe for the desktop, which
// keeps the child's standard handles open long after the child is gone.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() {
        if (Running()) ::TerminateProcess(m_process.hProcess, 99);
        for (HANDLE handle : {m_process.hProcess, m_process.hThread, m_outPipe, m_errPipe})
            if (handle) ::CloseHandle(handle);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Runs application (a full path; no extension is assumed) with the
    // whole command line commandLine in folder. flags go to CreateProcess.
    bool Start(const std::string& application, const std::string& commandLine, const std::string& folder,
               DWORD flags = 0) {
        return Start(application, Widened(commandLine), folder, flags);
    }

    // The same with a command line in UTF-16, for arguments that the ANSI
    // code page cannot spell.
    bool Start(const std::string& application, const std::wstring& commandLine, const std::string& folder,
               DWORD flags = 0) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE outWrite = nullptr, errWrite = nullptr;
        if (!::CreatePipe(&m_outPipe, &outWrite, &inherit, 1 << 20)) return false;
        if (!::CreatePipe(&m_errPipe, &errWrite, &inherit, 1 << 20)) return false;
        ::SetHandleInformation(m_outPipe, HANDLE_FLAG_INHERIT, 0);
        ::SetHandleInformation(m_errPipe, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = INVALID_HANDLE_VALUE;
        startup.hStdOutput = outWrite;
        startup.hStdError = errWrite;
        std::wstring line = commandLine;
        BOOL started = ::CreateProcessW(Widened(application).c_str(), &line[0], nullptr, nullptr, TRUE, flags,
                                        nullptr, Widened(folder).c_str(), &startup, &m_process);
        ::CloseHandle(outWrite);
        ::CloseHandle(errWrite);
        return started != FALSE;
    }

    // Waits for the end, reading the pipes meanwhile; the exit code, or -1
    // when the deadline passed first.
    long Wait(DWORD milliseconds = 120000) {
        const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
        while (Running() && ::GetTickCount64() < deadline) {
            Pump();
            ::WaitForSingleObject(m_process.hProcess, 10);
        }
        Pump();
        DWORD code = 0;
        if (Running() || !::GetExitCodeProcess(m_process.hProcess, &code)) return -1;
        return static_cast<long>(code);
    }

    // Reads what the child has written so far into Out() and Err().
    void Pump() {
        ReadAvailable(m_outPipe, &m_out);
        ReadAvailable(m_errPipe, &m_err);
    }

    DWORD id() const { return m_process.dwProcessId; }
    bool Running() const { return m_process.hProcess && ::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT; }
    const std::string& Out() const { return m_out; }
    const std::string& Err() const { return m_err; }

private:
    // text read in the ANSI code page, as CreateProcessA reads it.
    static std::wstring Widened(const std::string& text) {
        std::wstring wide(text.size() + 1, L'\0');
        int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
        wide.resize(length > 0 ? static_cast<size_t>(length) - 1 : 0);
        return wide;
    }

    static void ReadAvailable(HANDLE pipe, std::string* target) {
        DWORD available = 0;
        while (pipe && ::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available) {
            std::string chunk(available, '\0');
            DWORD got = 0;
            if (!::ReadFile(pipe, &chunk[0], available, &got, nullptr) || got == 0) return;
            target->append(chunk, 0, got);
        }
    }

    PROCESS_INFORMATION m_process = {};
    HANDLE m_outPipe = nullptr;
    HANDLE m_errPipe = nullptr;
    std::string m_out;
    std::string m_err;
};

}  // namespace testsupport
