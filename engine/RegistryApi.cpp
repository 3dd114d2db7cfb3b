#include "engine/RegistryApi.h"

#include <algorithm>

namespace {

class Win32Registry final : public IRegistryApi {
public:
    LONG OpenKey(HKEY parent, const char* subKey, HKEY* result) override {
        return ::RegOpenKeyExA(parent, subKey, 0, KEY_READ, result);
    }
    LONG QueryInfo(HKEY key, RegKeyInfo* info) override {
        return ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &info->subKeys,
                                  &info->maxSubKeyLength, nullptr, &info->values,
                                  &info->maxValueNameLength, &info->maxValueDataSize,
                                  nullptr, nullptr);
    }
    LONG EnumValue(HKEY key, DWORD index, char* name, DWORD* nameLength, DWORD* type,
                   BYTE* data, DWORD* dataSize) override {
        return ::RegEnumValueA(key, index, name, nameLength, nullptr, type, data, dataSize);
    }
    LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength) override {
        return ::RegEnumKeyExA(key, index, name, nameLength, nullptr, nullptr, nullptr, nullptr);
    }
    void CloseKey(HKEY key) override { ::RegCloseKey(key); }
    char* Allocate(size_t bytes) override {
        // HeapAlloc does not set the last error itself; the walk reports it.
        void* block = ::HeapAlloc(::GetProcessHeap(), 0, bytes);
        if (!block) ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return static_cast<char*>(block);
    }
    void Free(char* block) override { ::HeapFree(::GetProcessHeap(), 0, block); }
};

}  // namespace

IRegistryApi& Win32RegistryApi() {
    static Win32Registry registry;
    return registry;
}

bool IsPredefinedKey(HKEY key) {
    // The predefined keys are small negative constants sign-extended to 64
    // bits: 0x80000000 (HKEY_CLASSES_ROOT) up to 0x80000007 and a few more.
    auto value = reinterpret_cast<LONG_PTR>(key);
    return value >= static_cast<LONG>(0x80000000) && value <= static_cast<LONG>(0x800000FF);
}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        reset();
        m_api = other.m_api;
        m_key = other.release();
    }
    return *this;
}

void RegKey::reset() {
    if (m_key && !IsPredefinedKey(m_key)) m_api->CloseKey(m_key);
    m_key = nullptr;
}

ValueBuffers::ValueBuffers(IRegistryApi& api, const RegKeyInfo& info)
    : name(api, NameBufferSize(info.maxValueNameLength)),
      data(api, static_cast<size_t>(info.maxValueDataSize) + 2),
      scratch(api, std::max(name.size(), data.size())),
      m_api(api) {}

LONG ValueBuffers::Read(HKEY key, DWORD index, DWORD* nameLength, DWORD* type, DWORD* dataSize) {
    *nameLength = name.Capacity();
    *dataSize = data.Capacity(1);
    *type = REG_NONE;
    LONG rc = m_api.EnumValue(key, index, name.get(), nameLength, type,
                              reinterpret_cast<BYTE*>(data.get()), dataSize);
    if (rc == ERROR_SUCCESS) data.get()[std::min<size_t>(*dataSize, data.size() - 1)] = '\0';
    return rc;
}
