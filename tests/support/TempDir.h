#pragma once
// Temporary folders, the current directory and whole-file bytes for the
// integration tests. Everything here is header-only and throws nothing.
#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>

namespace testsupport {

// A number that differs between processes and between calls in one process.
inline std::string UniqueSuffix() {
    static LONG counter = 0;
    char text[64];
    std::snprintf(text, sizeof text, "%lx%llx%lx", ::GetCurrentProcessId(),
                  static_cast<unsigned long long>(::GetTickCount64() & 0xFFFFFF),
                  static_cast<unsigned long>(::InterlockedIncrement(&counter)));
    return text;
}

inline bool FileExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The file's bytes, untranslated; empty when it cannot be read. Tests poll
// files that other processes are still writing: the read shares everything,
// so that it never makes a writer fail.
inline std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char chunk[65536];
    DWORD got = 0;
    while (::ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got) bytes.append(chunk, got);
    ::CloseHandle(file);
    return bytes;
}

// Creates or truncates path with exactly these bytes.
inline bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

// Names (not paths) of the entries in folder that match pattern ("*.reg").
inline std::vector<std::string> ListFiles(const std::string& folder, const char* pattern = "*") {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return names;
}

inline void RemoveTree(const std::string& path) {
    for (const std::string& name : ListFiles(path)) {
        std::string child = path + "\\" + name;
        DWORD attributes = ::GetFileAttributesA(child.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            RemoveTree(child);
        else
            ::DeleteFileA(child.c_str());
    }
    ::RemoveDirectoryA(path.c_str());
}

// A fresh folder under the temporary directory, removed with its contents.
class TempDir {
public:
    explicit TempDir(const char* tag = "test") {
        char base[MAX_PATH];
        DWORD length = ::GetTempPathA(sizeof base, base);
        m_path = std::string(base, length) + "kestrin-" + tag + "-" + UniqueSuffix();
        ::CreateDirectoryA(m_path.c_str(), nullptr);
    }
    ~TempDir() { RemoveTree(m_path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

// Makes folder the process's current directory for the scope's lifetime.
class CurrentDirectoryScope {
public:
    explicit CurrentDirectoryScope(const std::string& folder) {
        char saved[MAX_PATH];
        DWORD length = ::GetCurrentDirectoryA(sizeof saved, saved);
        m_saved.assign(saved, length);
        ::SetCurrentDirectoryA(folder.c_str());
    }
    ~CurrentDirectoryScope() { ::SetCurrentDirectoryA(m_saved.c_str()); }
    CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
    CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

private:
    std::string m_saved;
};

}  // namespace testsupport
