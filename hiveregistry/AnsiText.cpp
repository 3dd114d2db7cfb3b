#include "hiveregistry/AnsiText.h"

extern "C" {
// ntdll's own conversions through the ANSI code page, which the registry's
// ANSI calls use. Declared here (their status is an NTSTATUS, a LONG): only
// the driver kit's headers have them.
LONG NTAPI RtlUnicodeToMultiByteSize(PULONG size, PCWCH text, ULONG bytes);
LONG NTAPI RtlUnicodeToMultiByteN(PCHAR target, ULONG capacity, PULONG written, PCWCH text, ULONG bytes);
}

namespace {

// Registry data and names stay far below 4 GB; a longer run is cut.
ULONG Bytes(size_t bytes) { return bytes < MAXDWORD ? static_cast<ULONG>(bytes) : MAXDWORD - 1; }

// Every ANSI code page spells U+0000 to U+007F as the bytes 0x00 to 0x7F,
// so a run of those units (most names and data) converts without ntdll;
// an odd last byte is dropped either way.
bool IsAscii(const wchar_t* units, size_t bytes) {
    if (bytes >= MAXDWORD) return false;
    for (size_t i = 0; i < bytes / sizeof(wchar_t); ++i)
        if (units[i] >= 0x80) return false;
    return true;
}

}  // namespace

ULONG AnsiSize(const wchar_t* units, size_t bytes) {
    if (IsAscii(units, bytes)) return static_cast<ULONG>(bytes / sizeof(wchar_t));
    ULONG size = 0;
    RtlUnicodeToMultiByteSize(&size, units, Bytes(bytes));
    return size;
}

void ToAnsi(char* target, ULONG size, const wchar_t* units, size_t bytes) {
    if (IsAscii(units, bytes)) {
        for (size_t i = 0; i < size; ++i) target[i] = static_cast<char>(units[i]);
        return;
    }
    ULONG written = 0;
    RtlUnicodeToMultiByteN(target, size, &written, units, Bytes(bytes));
}
