#pragma once
// Key names as the native registry takes them: counted UTF-16 that may hold
// a NUL. The Win32 registry calls stop at the first NUL, so a key whose name
// holds one opens only through ntdll's NtOpenKey.
#include <windows.h>
#include <cstddef>
#include <string>

// `length` bytes of the ANSI code page as UTF-16, into *wide (its storage
// reused), through RtlMultiByteToUnicodeN as the ANSI registry calls
// convert names; a NUL among them converts like any byte.
void FromAnsi(const char* text, size_t length, std::wstring* wide);

// Opens the sub-key `name` (length UTF-16 units, one name, no path) of
// parent for reading with NtOpenKey; a Win32 error code.
LONG OpenNativeKey(HKEY parent, const wchar_t* name, size_t length, HKEY* result);
