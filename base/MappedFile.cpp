#include "base/MappedFile.h"

bool MappedFile::Open(const wchar_t* path, DWORD* error, bool copyOnWrite) {
    m_view.reset();
    m_size = 0;
    UniqueFileHandle file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !::GetFileSizeEx(file.get(), &size)) {
        *error = ::GetLastError();
        return false;
    }
    // A mapping of nothing cannot be made; an empty file simply has no bytes.
    if (size.QuadPart == 0) return true;
    if (static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX) {
        *error = ERROR_FILE_TOO_LARGE;
        return false;
    }
    // The view keeps the mapping and the file open; their handles can go.
    UniqueKernelHandle mapping(
        ::CreateFileMappingW(file.get(), nullptr, copyOnWrite ? PAGE_WRITECOPY : PAGE_READONLY, 0, 0, nullptr));
    if (mapping) m_view.reset(::MapViewOfFile(mapping.get(), copyOnWrite ? FILE_MAP_COPY : FILE_MAP_READ, 0, 0, 0));
    if (!m_view) {
        *error = ::GetLastError();
        return false;
    }
    m_size = static_cast<size_t>(size.QuadPart);
    return true;
}
