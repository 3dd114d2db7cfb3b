#include "report/FileData.h"

#include <fcntl.h>
#include <io.h>

int CFileData::Open(int append) {
    if (!m_fileName) return 0;
    if (m_file) return 1;
    if (m_openExisting) return OpenWith(OPEN_EXISTING, "r+b");
    if (append) return OpenWith(OPEN_ALWAYS, "a+b");
    return OpenWith(CREATE_ALWAYS, "w+b");
}

int CFileData::OpenNew() {
    if (!m_fileName) return 0;
    if (m_file) return 1;
    return OpenWith(CREATE_NEW, "w+b");
}

// The stream is built on a handle opened without any sharing, which is how a
// file open for writing is kept for exclusive use; the C library's own open
// cannot ask for that.
int CFileData::OpenWith(DWORD disposition, const char* mode) {
    HANDLE handle = ::CreateFileA(m_fileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (fd == -1) {
        ::CloseHandle(handle);
        ::SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        return 0;
    }
    FILE* file = _fdopen(fd, mode);
    if (!file) {
        _close(fd);
        ::SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        return 0;
    }
    if (mode[0] == 'a') _fseeki64(file, 0, SEEK_END);
    m_file.reset(file);
    return 1;
}

int CFileData::Write(const void* data, uint32_t* count, int64_t position) {
    if (!m_file || !data || !count || *count == 0) return 0;
    if (position >= 0) {
        int64_t current = _ftelli64(m_file.get());
        if (current < 0) return 0;
        if (current != position && _fseeki64(m_file.get(), position, SEEK_SET) != 0) return 0;
    }
    *count = static_cast<uint32_t>(std::fwrite(data, 1, *count, m_file.get()));
    return *count != 0 ? 1 : 0;
}

int CFileData::Close() {
    if (!m_file) return 0;
    FILE* file = m_file.release();
    std::fflush(file);
    return std::fclose(file);
}
