#pragma once
// Keys and values whose names hold a NUL, as malware makes them: through
// ntdll's calls, which take counted names. The Win32 calls stop at the
// first NUL, so neither they nor RegDeleteTree can name such a key; the
// keys made here are deleted through NtDeleteKey when the object goes,
// deepest first.
#include <windows.h>
#include <winternl.h>
#include <string>
#include <vector>

extern "C" {
// Declared here: MinGW's winternl.h lacks them. Their status is an NTSTATUS.
LONG NTAPI NtCreateKey(PHANDLE key, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes, ULONG titleIndex,
                       PUNICODE_STRING className, ULONG options, PULONG disposition);
LONG NTAPI NtSetValueKey(HANDLE key, PUNICODE_STRING name, ULONG titleIndex, ULONG type, PVOID data, ULONG size);
LONG NTAPI NtDeleteKey(HANDLE key);
}

namespace testsupport {

class NativeKeys {
public:
    NativeKeys() = default;
    NativeKeys(const NativeKeys&) = delete;
    NativeKeys& operator=(const NativeKeys&) = delete;
    ~NativeKeys() {
        for (auto key = m_keys.rbegin(); key != m_keys.rend(); ++key) {
            NtDeleteKey(*key);
            ::RegCloseKey(*key);
        }
    }

    // Creates the key `name` below parent (a real handle, not a predefined
    // one); null when that failed.
    HKEY Key(HKEY parent, const std::wstring& name) {
        UNICODE_STRING counted = Counted(name);
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE, parent, nullptr);
        HANDLE key = nullptr;
        if (NtCreateKey(&key, KEY_ALL_ACCESS | DELETE, &attributes, 0, nullptr, 0, nullptr) < 0) return nullptr;
        m_keys.push_back(static_cast<HKEY>(key));
        return static_cast<HKEY>(key);
    }

    // A REG_SZ value stored with its terminator; false when that failed.
    static bool String(HKEY key, const std::wstring& name, const std::wstring& text) {
        UNICODE_STRING counted = Counted(name);
        std::wstring data = text + L'\0';
        return NtSetValueKey(key, &counted, 0, REG_SZ, &data[0],
                             static_cast<ULONG>(data.size() * sizeof(wchar_t))) >= 0;
    }

private:
    static UNICODE_STRING Counted(const std::wstring& name) {
        UNICODE_STRING counted;
        counted.Buffer = const_cast<wchar_t*>(name.data());
        counted.Length = counted.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
        return counted;
    }

    std::vector<HKEY> m_keys;
};

}  // namespace testsupport
