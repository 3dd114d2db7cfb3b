#include "bench/PlainWalk.h"

#include <algorithm>

#include "engine/RegKeyTools.h"

namespace {

size_t NameBufferSize(DWORD longestName) { return 2 * static_cast<size_t>(longestName) + 1; }

void ReadValues(IRegistryApi& api, HKEY key, const RegKeyInfo& info, PlainWalkCounts& counts) {
    RegBuffer name(api, NameBufferSize(info.maxValueNameLength));
    RegBuffer data(api, static_cast<size_t>(info.maxValueDataSize) + 2);
    RegBuffer scratch(api, std::max(name.size(), data.size()));
    if (!name || !data || !scratch) return;
    for (DWORD index = 0; index < info.values; ++index) {
        DWORD nameLength = name.Capacity();
        DWORD dataSize = data.Capacity(1);
        DWORD type = REG_NONE;
        if (api.EnumValue(key, index, name.get(), &nameLength, &type,
                          reinterpret_cast<BYTE*>(data.get()), &dataSize) != ERROR_SUCCESS)
            return;
        ++counts.values;
    }
}

void Walk(IRegistryApi& api, HKEY parent, const char* subKey, PlainWalkCounts& counts) {
    HKEY opened = nullptr;
    if (api.OpenKey(parent, subKey, &opened) != ERROR_SUCCESS) return;
    RegKey key(api, opened);
    ++counts.keys;
    RegKeyInfo info;
    if (api.QueryInfo(key.get(), &info) != ERROR_SUCCESS) return;
    if (info.values > 0) ReadValues(api, key.get(), info, counts);
    if (info.subKeys == 0 || info.maxSubKeyLength == 0) return;
    RegBuffer name(api, NameBufferSize(info.maxSubKeyLength));
    if (!name) return;
    for (DWORD index = 0; index < info.subKeys; ++index) {
        DWORD nameLength = name.Capacity();
        if (api.EnumKey(key.get(), index, name.get(), &nameLength) != ERROR_SUCCESS) {
            if (subKey) return;
            continue;
        }
        Walk(api, key.get(), name.get(), counts);
    }
}

}  // namespace

PlainWalkCounts PlainWalkAllRoots(IRegistryApi& api) {
    PlainWalkCounts counts;
    for (const RootKey& root : g_rootKeys) Walk(api, root.key, nullptr, counts);
    return counts;
}
