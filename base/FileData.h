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
    ~CFileData() { Close(); }
    CFileData(const CFileData&) = delete;
    CFileData& operator=(const CFileData&) = delete;

    int IsOpen() const { return m_file ? 1 : 0; }

    // Creates path only when no file of that name exists; an existing file
    // is never touched (the result is then 0 and GetLastError() is
    // ERROR_FILE_EXISTS). An open stream is left as it is and gives 1.
    // Returns IsOpen(); after a failure GetLastError() tells why.
    int OpenNew(const char* path);

    // Creates path, or empties it when it exists; otherwise as OpenNew.
    int Replace(const char* path);

    // Appends *count bytes. *count receives the bytes written. Returns 1 when
    // at least one byte was written.
    int Write(const void* data, uint32_t* count);

    // Flushes and closes an open stream. Returns 0 when closed cleanly or not
    // open, else the stream's failure value.
    int Close();

private:
    int OpenWith(const char* path, DWORD disposition);

    UniqueFileStream m_file;
};
