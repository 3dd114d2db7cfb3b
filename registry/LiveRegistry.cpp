#include "registry/LiveRegistry.h"

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
    LONG OpenKey(HKEY parent, const Char* subKey, HKEY* result) override {
        return Calls::open(parent, subKey, 0, KEY_READ, result);
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
