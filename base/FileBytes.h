#pragma once
// A whole file read once into memory, for bytes that are changed there
// afterwards (a dirty hive replayed from its logs). The file is opened the
// way MappedFile opens it: for reading only, shared with everybody, and
// never written.
#include <windows.h>
#include <cstdint>
#include <vector>

// Reads the file at path into *bytes, reserving room for capacity bytes
// first (or the file's size, if larger), so that the buffer can grow to
// capacity without moving. False, with *error the platform's code, when the
// file cannot be opened or read, or the memory cannot be had.
bool ReadFileBytes(const wchar_t* path, uint64_t capacity, std::vector<uint8_t>* bytes, DWORD* error);
