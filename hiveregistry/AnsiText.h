#pragma once
// Text of a hive as the ANSI registry calls hand it out. They turn UTF-16
// into the ANSI code page with ntdll's RtlUnicodeToMultiByteN (best fit, "?"
// for what the code page lacks, every unit converted: embedded NULs and
// whatever follows a terminator too, an odd last byte dropped) and take
// names in with RtlMultiByteToUnicodeN; the narrow hive registry calls the
// same two (the second through registry/NativeNames.h, which the live
// registry shares), so that a hive reads exactly like the live registry
// holding the same keys.
#include <windows.h>
#include <cstddef>

// The bytes that `bytes` bytes of UTF-16 at units take in the ANSI code page.
ULONG AnsiSize(const wchar_t* units, size_t bytes);
// Converts them into target, which holds AnsiSize(units, bytes) bytes.
void ToAnsi(char* target, ULONG size, const wchar_t* units, size_t bytes);

