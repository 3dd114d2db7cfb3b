#include "hiveregistry/WindowsFolders.h"

#include <utility>

#include "base/Handles.h"
#include "base/WideCase.h"

namespace {

// name below folder, which may end in '\\' already (a drive's root).
std::wstring Under(const std::wstring& folder, const std::wstring& name) {
    return !folder.empty() && folder.back() == L'\\' ? folder + name : folder + L"\\" + name;
}

// Where path really lies once every link and junction is followed, as
// \\?\X:\... (or \\?\UNC\...). The handle has no data access, so that the
// hives a running system holds locked still resolve; backup semantics open
// folders too. Wine fails a loop of Linux symbolic links with
// ERROR_CANT_RESOLVE_FILENAME.
bool FinalPath(const std::wstring& path, std::wstring* final, DWORD* error) {
    const UniqueFileHandle file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) {
        *error = ::GetLastError();
        return false;
    }
    // Too small a buffer returns the size needed, its terminator included;
    // one more call with that much must do, unless the path grew meanwhile.
    const auto query = [&file](std::wstring* buffer) {
        return ::GetFinalPathNameByHandleW(file.get(), &(*buffer)[0], static_cast<DWORD>(buffer->size()),
                                           FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    };
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD length = query(&buffer);
    if (length >= buffer.size()) {
        buffer.assign(length, L'\0');
        length = query(&buffer);
    }
    if (length == 0 || length >= buffer.size()) {
        *error = length == 0 ? ::GetLastError() : ERROR_INSUFFICIENT_BUFFER;
        return false;
    }
    buffer.resize(length);
    *final = std::move(buffer);
    return true;
}

}  // namespace

WindowsFolders::WindowsFolders(std::wstring root) : m_root(std::move(root)) {}

bool WindowsFolders::Open(DWORD* error) {
    const DWORD attributes = ::GetFileAttributesW(m_root.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        *error = ::GetLastError();
        return false;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *error = ERROR_DIRECTORY;
        return false;
    }
    if (!FinalPath(m_root, &m_real, error)) return false;
    m_prefix = FoldedSimple(Under(m_real, L""));
    return true;
}

std::wstring WindowsFolders::Full(const std::wstring& path) const { return path.empty() ? m_real : Under(m_real, path); }

std::vector<OfflineFolders::Entry> WindowsFolders::List(const std::wstring& folder) {
    std::vector<Entry> entries;
    WIN32_FIND_DATAW data;
    const UniqueFindHandle find(::FindFirstFileExW(Under(Full(folder), L"*").c_str(), FindExInfoBasic, &data,
                                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return entries;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        // A link to a folder (a junction, or a Linux symbolic link under
        // Wine, 0x410) lists as a folder.
        entries.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (::FindNextFileW(find.get(), &data));
    return entries;
}

// Compared folded at a '\\': the final path of a file below the root may
// spell the root's part in another case than the root's own did.
bool WindowsFolders::RealPath(const std::wstring& path, std::wstring* real) {
    std::wstring final;
    DWORD error = 0;
    if (!FinalPath(Full(path), &final, &error)) return false;
    const std::wstring folded = FoldedSimple(final);
    if (folded + L"\\" == m_prefix || folded == m_prefix) {
        real->clear();
        return true;
    }
    if (folded.compare(0, m_prefix.size(), m_prefix) != 0) return false;
    *real = final.substr(m_prefix.size());
    return true;
}
