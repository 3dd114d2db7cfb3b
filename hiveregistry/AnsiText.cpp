#include "hiveregistry/AnsiText.h"

#include <string>

extern "C" {
// ntdll's own conversions through the ANSI code page, which the registry's
// ANSI calls use. Declared here (their status is an NTSTATUS, a LONG): only
// the driver kit's headers have them.
LONG NTAPI RtlUnicodeToMultiByteSize(PULONG size, PCWCH text, ULONG bytes);
LONG NTAPI RtlUnicodeToMultiByteN(PCHAR target, ULONG capacity, PULONG written, PCWCH text, ULONG bytes);
LONG NTAPI RtlMultiByteToUnicodeN(PWCH target, ULONG capacity, PULONG written, const CHAR* text, ULONG bytes);
}

namespace {

// Registry data and names stay far below 4 GB; a longer run is cut.
ULONG Bytes(size_t bytes) { return bytes < MAXDWORD ? static_cast<ULONG>(bytes) : MAXDWORD - 1; }

}  // namespace

ULONG AnsiSize(const wchar_t* units, size_t bytes) {
    ULONG size = 0;
    RtlUnicodeToMultiByteSize(&size, units, Bytes(bytes));
    return size;
}

void ToAnsi(char* target, ULONG size, const wchar_t* units, size_t bytes) {
    ULONG written = 0;
    RtlUnicodeToMultiByteN(target, size, &written, units, Bytes(bytes));
}

void FromAnsi(const char* text, std::wstring* wide) {
    const ULONG length = Bytes(std::char_traits<char>::length(text));
    // No code page makes more than one UTF-16 unit of a byte.
    wide->resize(length);
    ULONG written = 0;
    if (length) RtlMultiByteToUnicodeN(&(*wide)[0], length * sizeof(wchar_t), &written, text, length);
    wide->resize(written / sizeof(wchar_t));
}
