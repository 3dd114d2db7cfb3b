#include "base/FileBytes.h"

#include <algorithm>
#include <new>

#include "base/Handles.h"

namespace {

// ReadFile takes a DWORD count; large files are read in pieces of this size.
constexpr DWORD kReadPiece = 16u << 20;

}  // namespace

bool ReadFileBytes(const wchar_t* path, uint64_t capacity, std::vector<uint8_t>* bytes, DWORD* error) {
    bytes->clear();
    UniqueFileHandle file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !::GetFileSizeEx(file.get(), &size)) {
        *error = ::GetLastError();
        return false;
    }
    const uint64_t length = static_cast<uint64_t>(size.QuadPart);
    if (length > SIZE_MAX || capacity > SIZE_MAX) {
        *error = ERROR_FILE_TOO_LARGE;
        return false;
    }
    try {
        bytes->reserve(static_cast<size_t>(std::max(length, capacity)));
        bytes->resize(static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
        *error = ERROR_NOT_ENOUGH_MEMORY;
        return false;
    }
    size_t done = 0;
    // A file that shrinks meanwhile ends the reading early: what was read is kept.
    for (DWORD got = 1; done < bytes->size() && got != 0; done += got) {
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes->size() - done, kReadPiece));
        if (!::ReadFile(file.get(), bytes->data() + done, piece, &got, nullptr)) {
            *error = ::GetLastError();
            return false;
        }
    }
    bytes->resize(done);
    return true;
}
