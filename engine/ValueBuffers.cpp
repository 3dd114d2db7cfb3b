#include "engine/ValueBuffers.h"

#include <algorithm>
#include <cstring>

namespace {

// The reserved bytes beyond what the registry may fill, plus one, so that
// the terminator stored after the data always fits.
template <typename Char>
size_t DataBufferSize(const RegKeyInfo& info) {
    return static_cast<size_t>(info.maxValueDataSize) + 1 + RegChars<Char>::dataReserve;
}

// read() until it answers something other than ERROR_MORE_DATA, with the
// key's figures queried afresh and handed to fit() before each new try.
template <typename Char, typename Read, typename Fit>
LONG ReadRetryingOnMoreData(IRegistry<Char>& registry, HKEY key, Read read, Fit fit) {
    LONG rc = read();
    for (int retry = 0; rc == ERROR_MORE_DATA && retry < kMoreDataRetries; ++retry) {
        RegKeyInfo info;
        LONG query = registry.QueryInfo(key, &info);
        if (query != ERROR_SUCCESS) return query;
        if (!fit(info)) return ERROR_NOT_ENOUGH_MEMORY;
        rc = read();
    }
    return rc;
}

}  // namespace

template <typename Char>
LONG ReadSubKeyName(IRegistry<Char>& registry, HKEY key, DWORD index, RegBuffer& name, DWORD* length) {
    return ReadRetryingOnMoreData(
        registry, key,
        [&] {
            *length = RegChars<Char>::Count(name.Capacity());
            return registry.EnumKey(key, index, reinterpret_cast<Char*>(name.get()), length);
        },
        [&](const RegKeyInfo& info) { return name.Grow(RegChars<Char>::NameBytes(info.maxSubKeyLength)); });
}

template <typename Char>
BasicValueBuffers<Char>::BasicValueBuffers(IRegistry<Char>& registry, const RegKeyInfo& info)
    : name(registry, RegChars<Char>::NameBytes(info.maxValueNameLength)),
      data(registry, DataBufferSize<Char>(info)),
      scratch(registry, std::max(name.size(), data.size())),
      m_registry(registry) {}

template <typename Char>
LONG BasicValueBuffers<Char>::Read(HKEY key, DWORD index, DWORD* nameLength, DWORD* type, DWORD* dataSize) {
    return ReadRetryingOnMoreData(
        m_registry, key, [&] { return ReadOnce(key, index, nameLength, type, dataSize); },
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
    LONG rc = m_registry.EnumValue(key, index, Name(), nameLength, type, reinterpret_cast<BYTE*>(data.get()),
                                   dataSize);
    if (rc == ERROR_SUCCESS) {
        const size_t end = std::min<size_t>(*dataSize, data.size() - reserve);
        std::memset(data.get() + end, 0, reserve);
    }
    return rc;
}

template LONG ReadSubKeyName<char>(INarrowRegistry&, HKEY, DWORD, RegBuffer&, DWORD*);
template LONG ReadSubKeyName<wchar_t>(IWideRegistry&, HKEY, DWORD, RegBuffer&, DWORD*);
template class BasicValueBuffers<char>;
template class BasicValueBuffers<wchar_t>;
