#pragma once
// A small file class over a buffered stream, opened in untranslated mode so
// that every line end is the CR LF that the writer puts there. A file open
// for writing is held for exclusive use: no other process can open it until
// it is closed.
#include <cstdint>
#include "base/Handles.h"

class CFileData {
public:
    CFileData() = default;
    virtual ~CFileData() { Close(); }
    CFileData(const CFileData&) = delete;
    CFileData& operator=(const CFileData&) = delete;

    int IsOpen() const { return m_file ? 1 : 0; }

    // Opens m_fileName: "r+b" when m_openExisting is set, else "a+b" when
    // append is non-zero, else "w+b" (created, or truncated when it exists).
    // An open stream is left as it is and gives 1. Returns IsOpen(); after a
    // failure GetLastError() tells why.
    int Open(int append);

    // Creates m_fileName only when no file of that name exists, opened as
    // "w+b"; an existing file is never touched (the result is then 0 and
    // GetLastError() is ERROR_FILE_EXISTS). Returns IsOpen().
    int OpenNew();

    // Writes *count bytes at position (a negative position writes where the
    // stream stands). *count receives the bytes written. Returns 1 when at
    // least one byte was written.
    int Write(const void* data, uint32_t* count, int64_t position);

    // Flushes and closes an open stream. Returns 0 when closed cleanly or not
    // open, else the stream's failure value.
    int Close();

    int m_openExisting = 1;
    const char* m_fileName = nullptr;  // not owned

private:
    int OpenWith(DWORD disposition, const char* mode);

    UniqueFileStream m_file;
};
