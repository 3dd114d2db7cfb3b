#include "registry/LiveRegistry.h"

#include <string>
#include <type_traits>

#include "registry/NativeNames.h"
#include "registry/ProcessHeapRegistry.h"

namespace {

// The platform's registry functions of each width.
template <typename Char>
struct Win32Calls;
template <>
struct Win32Calls<char> {
    static inline const auto open = &::RegOpenKeyExA;
    static inline const auto query = &::RegQueryInfoKeyA;
    static inline const auto enumValue = &::RegEnumValueA;
    static inline const auto enumKey = &::RegEnumKeyExA;
};
template <>
struct Win32Calls<wchar_t> {
    static inline const auto open = &::RegOpenKeyExW;
    static inline const auto query = &::RegQueryInfoKeyW;
    static inline const auto enumValue = &::RegEnumValueW;
    static inline const auto enumKey = &::RegEnumKeyExW;
};

template <typename Char>
class LiveRegistry final : public ProcessHeapRegistry<Char> {
    using Calls = Win32Calls<Char>;

public:
    // A name without a NUL (every path, and nearly every name) opens
    // through the Win32 call as it always did; only one holding a NUL needs
    // the native call, after the code page's conversion in the ANSI walk.
    LONG OpenKey(HKEY parent, const Char* subKey, size_t length, HKEY* result) override {
        if (!subKey || std::char_traits<Char>::length(subKey) == length)
            return Calls::open(parent, subKey, 0, KEY_READ, result);
        if constexpr (std::is_same_v<Char, char>) {
            std::wstring name;
            FromAnsi(subKey, length, &name);
            return OpenNativeKey(parent, name.data(), name.size(), result);
        } else {
            return OpenNativeKey(parent, subKey, length, result);
        }
    }
    LONG QueryInfo(HKEY key, RegKeyInfo* info) override {
        return Calls::query(key, nullptr, nullptr, nullptr, &info->subKeys, &info->maxSubKeyLength, nullptr,
                            &info->values, &info->maxValueNameLength, &info->maxValueDataSize, nullptr,
                            &info->lastWrite);
    }
    LONG EnumValue(HKEY key, DWORD index, Char* name, DWORD* nameLength, DWORD* type, BYTE* data,
                   DWORD* dataSize) override {
        return Calls::enumValue(key, index, name, nameLength, nullptr, type, data, dataSize);
    }
    LONG EnumKey(HKEY key, DWORD index, Char* name, DWORD* nameLength) override {
        return Calls::enumKey(key, index, name, nameLength, nullptr, nullptr, nullptr, nullptr);
    }
    void CloseKey(HKEY key) override { ::RegCloseKey(key); }
};

}  // namespace

RegistryPair LiveRegistries() {
    static LiveRegistry<char> narrow;
    static LiveRegistry<wchar_t> wide;
    return {narrow, wide};
}
