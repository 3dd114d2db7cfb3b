#include "registry/NativeNames.h"

#include <winternl.h>

extern "C" {
// Declared here: MinGW's winternl.h lacks them, and only the driver kit's
// headers have them. Their status is an NTSTATUS.
LONG NTAPI RtlMultiByteToUnicodeN(PWCH target, ULONG capacity, PULONG written, const CHAR* text, ULONG bytes);
LONG NTAPI NtOpenKey(PHANDLE key, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes);
}

namespace {

// A counted UNICODE_STRING holds at most this many bytes; registry names
// are far shorter (255 characters).
constexpr size_t kMaxNameBytes = 0xFFFE;

// HKEY_CLASSES_ROOT to HKEY_CURRENT_USER_LOCAL_SETTINGS are no handles
// that ntdll knows: the Win32 calls map them.
bool IsPredefined(HKEY key) {
    const auto value = reinterpret_cast<ULONG_PTR>(key);
    const auto first = reinterpret_cast<ULONG_PTR>(HKEY_CLASSES_ROOT);
    return value >= first && value <= first + 7;
}

}  // namespace

void FromAnsi(const char* text, size_t length, std::wstring* wide) {
    const ULONG bytes = length < MAXDWORD / sizeof(wchar_t) ? static_cast<ULONG>(length) : 0;
    // No code page makes more than one UTF-16 unit of a byte.
    wide->resize(bytes);
    ULONG written = 0;
    if (bytes) RtlMultiByteToUnicodeN(&(*wide)[0], bytes * sizeof(wchar_t), &written, text, bytes);
    wide->resize(written / sizeof(wchar_t));
}

LONG OpenNativeKey(HKEY parent, const wchar_t* name, size_t length, HKEY* result) {
    *result = nullptr;
    if (length * sizeof(wchar_t) > kMaxNameBytes) return ERROR_INVALID_PARAMETER;
    // A predefined key is first opened as a real handle; Wine gives a new
    // one for an empty name, Windows may give the predefined value back,
    // which NtOpenKey refuses as it refuses any handle it does not know.
    HKEY real = parent;
    if (IsPredefined(parent)) {
        LONG rc = ::RegOpenKeyExW(parent, L"", 0, KEY_READ, &real);
        if (rc != ERROR_SUCCESS) return rc;
    }
    UNICODE_STRING counted;
    counted.Buffer = const_cast<wchar_t*>(name);
    counted.Length = static_cast<USHORT>(length * sizeof(wchar_t));
    counted.MaximumLength = counted.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE, real, nullptr);
    HANDLE opened = nullptr;
    const LONG status = NtOpenKey(&opened, KEY_READ, &attributes);
    if (real != parent) ::RegCloseKey(real);
    if (status < 0) return static_cast<LONG>(RtlNtStatusToDosError(status));
    *result = static_cast<HKEY>(opened);
    return ERROR_SUCCESS;
}
