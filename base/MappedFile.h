#pragma once
// A file's bytes mapped read-only: the file is opened for reading only and
// shared with everybody (readers, writers, deleters), so that opening it
// never disturbs another program; nothing is ever written to it.
#include <windows.h>
#include <cstddef>
#include <cstdint>

#include "base/Handles.h"

class MappedFile {
public:
    // Maps the file at path. False, with *error the platform's code, when it
    // cannot be opened or mapped. An empty file maps to no bytes. A
    // copy-on-write view may be written to: each page written becomes the
    // process's own copy, and the file never changes.
    bool Open(const wchar_t* path, DWORD* error, bool copyOnWrite = false);
    const uint8_t* data() const { return static_cast<const uint8_t*>(m_view.get()); }
    // The bytes of a copy-on-write view, for writing.
    uint8_t* Writable() { return static_cast<uint8_t*>(const_cast<void*>(m_view.get())); }
    size_t size() const { return m_size; }

private:
    UniqueMappedView m_view;
    size_t m_size = 0;
};
