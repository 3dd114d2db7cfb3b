#include "registry/NativeNames.h"

#include <winternl.h>

#include <iterator>

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

LONG NtOpen(HANDLE root, const wchar_t* name, size_t length, HKEY* result) {
    UNICODE_STRING counted;
    counted.Buffer = const_cast<wchar_t*>(name);
    counted.Length = static_cast<USHORT>(length * sizeof(wchar_t));
    counted.MaximumLength = counted.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE, root, nullptr);
    HANDLE opened = nullptr;
    const LONG status = NtOpenKey(&opened, KEY_READ, &attributes);
    if (status < 0) return static_cast<LONG>(RtlNtStatusToDosError(status));
    *result = static_cast<HKEY>(opened);
    return ERROR_SUCCESS;
}

// A real handle of a predefined key for NtOpenKey. Windows hands the
// predefined value itself back for an empty name, which NtOpenKey refuses,
// so the machine's and the users' keys are opened by their native names
// and the current user's through RegOpenCurrentUser; Wine gives a real
// handle for an empty name, which serves the views that remain.
LONG OpenPredefined(HKEY key, HKEY* real) {
    static constexpr wchar_t kMachine[] = L"\\Registry\\Machine";
    static constexpr wchar_t kUsers[] = L"\\Registry\\User";
    if (key == HKEY_LOCAL_MACHINE) return NtOpen(nullptr, kMachine, std::size(kMachine) - 1, real);
    if (key == HKEY_USERS) return NtOpen(nullptr, kUsers, std::size(kUsers) - 1, real);
    if (key == HKEY_CURRENT_USER) return ::RegOpenCurrentUser(KEY_READ, real);
    return ::RegOpenKeyExW(key, L"", 0, KEY_READ, real);
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
    HKEY real = parent;
    if (IsPredefined(parent)) {
        const LONG rc = OpenPredefined(parent, &real);
        if (rc != ERROR_SUCCESS) return rc;
    }
    const LONG rc = NtOpen(real, name, length, result);
    if (real != parent) ::RegCloseKey(real);
    return rc;
}
