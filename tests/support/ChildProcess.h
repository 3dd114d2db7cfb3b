#pragma once
// Starts a program of the build as a child process with its standard output
// and error on pipes, which two threads drain while it runs (a child whose
// pipe fills up would otherwise stop).
#include <windows.h>
#include <mutex>
#include <string>
#include <thread>

namespace testsupport {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() {
        if (m_process.hProcess) {
            if (::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(m_process.hProcess, 99);
            ::WaitForSingleObject(m_process.hProcess, INFINITE);
        }
        JoinReaders();
        if (m_process.hProcess) ::CloseHandle(m_process.hProcess);
        if (m_process.hThread) ::CloseHandle(m_process.hThread);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Runs application (a full path; no extension is assumed) with the
    // whole command line commandLine in folder. flags go to CreateProcess.
    bool Start(const std::string& application, const std::string& commandLine, const std::string& folder,
               DWORD flags = 0) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE outRead, outWrite, errRead, errWrite;
        if (!::CreatePipe(&outRead, &outWrite, &inherit, 0)) return false;
        if (!::CreatePipe(&errRead, &errWrite, &inherit, 0)) return false;
        ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
        ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = INVALID_HANDLE_VALUE;
        startup.hStdOutput = outWrite;
        startup.hStdError = errWrite;
        std::string line = commandLine;
        BOOL started = ::CreateProcessA(application.c_str(), &line[0], nullptr, nullptr, TRUE, flags, nullptr,
                                        folder.c_str(), &startup, &m_process);
        ::CloseHandle(outWrite);
        ::CloseHandle(errWrite);
        m_outReader = std::thread(&ChildProcess::Drain, this, outRead, &m_out);
        m_errReader = std::thread(&ChildProcess::Drain, this, errRead, &m_err);
        return started != FALSE;
    }

    // Waits for the end; the exit code, or -1 when the deadline passed first.
    long Wait(DWORD milliseconds = 120000) {
        if (!m_process.hProcess || ::WaitForSingleObject(m_process.hProcess, milliseconds) != WAIT_OBJECT_0)
            return -1;
        JoinReaders();
        DWORD code = 0;
        ::GetExitCodeProcess(m_process.hProcess, &code);
        return static_cast<long>(code);
    }

    DWORD id() const { return m_process.dwProcessId; }
    bool Running() const { return m_process.hProcess && ::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT; }
    std::string Out() const { return Read(m_out); }
    std::string Err() const { return Read(m_err); }

private:
    void Drain(HANDLE pipe, std::string* target) {
        char chunk[4096];
        DWORD got = 0;
        while (::ReadFile(pipe, chunk, sizeof chunk, &got, nullptr) && got) {
            std::lock_guard<std::mutex> lock(m_mutex);
            target->append(chunk, got);
        }
        ::CloseHandle(pipe);
    }
    std::string Read(const std::string& text) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return text;
    }
    void JoinReaders() {
        if (m_outReader.joinable()) m_outReader.join();
        if (m_errReader.joinable()) m_errReader.join();
    }

    PROCESS_INFORMATION m_process = {};
    mutable std::mutex m_mutex;
    std::string m_out;
    std::string m_err;
    std::thread m_outReader;
    std::thread m_errReader;
};

// The folder that holds the running test executable (the build's bin).
inline std::string ExecutableFolder() {
    char path[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text(path, length);
    return text.substr(0, text.find_last_of('\\'));
}

}  // namespace testsupport
