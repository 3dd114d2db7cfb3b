#include "base/FileData.h"

#include <fcntl.h>
#include <io.h>

int CFileData::OpenNew(const char* path) { return OpenWith(path, CREATE_NEW); }

int CFileData::Replace(const char* path) { return OpenWith(path, CREATE_ALWAYS); }

// The stream is built on a handle opened without any sharing, which is how a
// file open for writing is kept for exclusive use; the C library's own open
// cannot ask for that.
int CFileData::OpenWith(const char* path, DWORD disposition) {
    if (!path) return 0;
    if (m_file) return 1;
    HANDLE handle = ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (fd == -1) {
        ::CloseHandle(handle);
        ::SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        return 0;
    }
    FILE* file = _fdopen(fd, "w+b");
    if (!file) {
        _close(fd);
        ::SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        return 0;
    }
    m_file.reset(file);
    return 1;
}

int CFileData::Write(const void* data, uint32_t* count) {
    if (!m_file || !data || !count || *count == 0) return 0;
    *count = static_cast<uint32_t>(std::fwrite(data, 1, *count, m_file.get()));
    return *count != 0 ? 1 : 0;
}

int CFileData::Close() {
    if (!m_file) return 0;
    FILE* file = m_file.release();
    std::fflush(file);
    return std::fclose(file);
}
