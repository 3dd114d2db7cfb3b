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

// One byte beyond what the registry may fill, so that a terminator stored
// after the data always fits.
size_t DataBufferSize(const RegKeyInfo& info) { return static_cast<size_t>(info.maxValueDataSize) + 2; }

// read() until it answers something other than ERROR_MORE_DATA, with the
// key's figures queried afresh and handed to fit() before each new try.
template <typename Read, typename Fit>
LONG ReadRetryingOnMoreData(IRegistryApi& api, HKEY key, Read read, Fit fit) {
    LONG rc = read();
    for (int retry = 0; rc == ERROR_MORE_DATA && retry < kMoreDataRetries; ++retry) {
        RegKeyInfo info;
        LONG query = api.QueryInfo(key, &info);
        if (query != ERROR_SUCCESS) return query;
        if (!fit(info)) return ERROR_NOT_ENOUGH_MEMORY;
        rc = read();
    }
    return rc;
}

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

bool RegBuffer::Grow(size_t bytes) {
    if (m_data && bytes <= m_size) return true;
    char* larger = m_api->Allocate(bytes);
    if (!larger) return false;
    if (m_data) m_api->Free(m_data);
    m_data = larger;
    m_size = bytes;
    return true;
}

LONG ReadSubKeyName(IRegistryApi& api, HKEY key, DWORD index, RegBuffer& name) {
    return ReadRetryingOnMoreData(
        api, key,
        [&] {
            DWORD nameLength = name.Capacity();
            return api.EnumKey(key, index, name.get(), &nameLength);
        },
        [&](const RegKeyInfo& info) { return name.Grow(NameBufferSize(info.maxSubKeyLength)); });
}

ValueBuffers::ValueBuffers(IRegistryApi& api, const RegKeyInfo& info)
    : name(api, NameBufferSize(info.maxValueNameLength)),
      data(api, DataBufferSize(info)),
      scratch(api, std::max(name.size(), data.size())),
      m_api(api) {}

LONG ValueBuffers::Read(HKEY key, DWORD index, DWORD* nameLength, DWORD* type, DWORD* dataSize) {
    return ReadRetryingOnMoreData(
        m_api, key, [&] { return ReadOnce(key, index, nameLength, type, dataSize); },
        [&](const RegKeyInfo& info) { return Fit(info); });
}

// Grows the buffers to a key's fresh figures, keeping the sizes' rules.
bool ValueBuffers::Fit(const RegKeyInfo& info) {
    return name.Grow(NameBufferSize(info.maxValueNameLength)) && data.Grow(DataBufferSize(info)) &&
           scratch.Grow(std::max(name.size(), data.size()));
}

LONG ValueBuffers::ReadOnce(HKEY key, DWORD index, DWORD* nameLength, DWORD* type, DWORD* dataSize) {
    *nameLength = name.Capacity();
    *dataSize = data.Capacity(1);
    *type = REG_NONE;
    LONG rc = m_api.EnumValue(key, index, name.get(), nameLength, type,
                              reinterpret_cast<BYTE*>(data.get()), dataSize);
    if (rc == ERROR_SUCCESS) data.get()[std::min<size_t>(*dataSize, data.size() - 1)] = '\0';
    return rc;
}
