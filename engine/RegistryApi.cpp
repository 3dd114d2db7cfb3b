#include "engine/RegistryApi.h"

#include <algorithm>
#include <cstring>

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
class Win32Registry final : public ProcessHeapDoor<Char> {
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

// The reserved bytes beyond what the registry may fill, plus one, so that
// the terminator stored after the data always fits.
template <typename Char>
size_t DataBufferSize(const RegKeyInfo& info) {
    return static_cast<size_t>(info.maxValueDataSize) + 1 + RegChars<Char>::dataReserve;
}

// read() until it answers something other than ERROR_MORE_DATA, with the
// key's figures queried afresh and handed to fit() before each new try.
template <typename Char, typename Read, typename Fit>
LONG ReadRetryingOnMoreData(IRegistryDoor<Char>& api, HKEY key, Read read, Fit fit) {
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

template <typename Char>
char* ProcessHeapDoor<Char>::Allocate(size_t bytes) {
    // HeapAlloc does not set the last error itself; the walk reports it.
    void* block = ::HeapAlloc(::GetProcessHeap(), 0, bytes);
    if (!block) ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<char*>(block);
}

template <typename Char>
void ProcessHeapDoor<Char>::Free(char* block) {
    ::HeapFree(::GetProcessHeap(), 0, block);
}

template class ProcessHeapDoor<char>;
template class ProcessHeapDoor<wchar_t>;

IRegistryApi& Win32RegistryApi() {
    static Win32Registry<char> registry;
    return registry;
}

IWideRegistryApi& Win32WideRegistryApi() {
    static Win32Registry<wchar_t> registry;
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

template <typename Char>
LONG ReadSubKeyName(IRegistryDoor<Char>& api, HKEY key, DWORD index, RegBuffer& name) {
    return ReadRetryingOnMoreData(
        api, key,
        [&] {
            DWORD nameLength = RegChars<Char>::Count(name.Capacity());
            return api.EnumKey(key, index, reinterpret_cast<Char*>(name.get()), &nameLength);
        },
        [&](const RegKeyInfo& info) { return name.Grow(RegChars<Char>::NameBytes(info.maxSubKeyLength)); });
}

template <typename Char>
BasicValueBuffers<Char>::BasicValueBuffers(IRegistryDoor<Char>& api, const RegKeyInfo& info)
    : name(api, RegChars<Char>::NameBytes(info.maxValueNameLength)),
      data(api, DataBufferSize<Char>(info)),
      scratch(api, std::max(name.size(), data.size())),
      m_api(api) {}

template <typename Char>
LONG BasicValueBuffers<Char>::Read(HKEY key, DWORD index, DWORD* nameLength, DWORD* type, DWORD* dataSize) {
    return ReadRetryingOnMoreData(
        m_api, key, [&] { return ReadOnce(key, index, nameLength, type, dataSize); },
        [&](const RegKeyInfo& info) { return Fit(info); });
}

// Grows the buffers to a key's fresh figures, keeping the sizes' rules.
template <typename Char>
bool BasicValueBuffers<Char>::Fit(const RegKeyInfo& info) {
    return name.Grow(RegChars<Char>::NameBytes(info.maxValueNameLength)) && data.Grow(DataBufferSize<Char>(info)) &&
           scratch.Grow(std::max(name.size(), data.size()));
}

template <typename Char>
LONG BasicValueBuffers<Char>::ReadOnce(HKEY key, DWORD index, DWORD* nameLength, DWORD* type, DWORD* dataSize) {
    constexpr size_t reserve = RegChars<Char>::dataReserve;
    *nameLength = RegChars<Char>::Count(name.Capacity());
    *dataSize = data.Capacity(reserve);
    *type = REG_NONE;
    LONG rc = m_api.EnumValue(key, index, Name(), nameLength, type, reinterpret_cast<BYTE*>(data.get()), dataSize);
    if (rc == ERROR_SUCCESS) {
        const size_t end = std::min<size_t>(*dataSize, data.size() - reserve);
        std::memset(data.get() + end, 0, reserve);
    }
    return rc;
}

template LONG ReadSubKeyName<char>(IRegistryApi&, HKEY, DWORD, RegBuffer&);
template LONG ReadSubKeyName<wchar_t>(IWideRegistryApi&, HKEY, DWORD, RegBuffer&);
template class BasicValueBuffers<char>;
template class BasicValueBuffers<wchar_t>;
