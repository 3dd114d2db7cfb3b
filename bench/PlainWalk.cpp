#include "bench/PlainWalk.h"

#include "engine/RegKeyTools.h"

namespace {

void ReadValues(IRegistryApi& api, HKEY key, const RegKeyInfo& info, PlainWalkCounts& counts) {
    ValueBuffers buffers(api, info);
    if (!buffers) return;
    for (DWORD index = 0; index < info.values; ++index) {
        DWORD nameLength, type, dataSize;
        if (buffers.Read(key, index, &nameLength, &type, &dataSize) != ERROR_SUCCESS) return;
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
        if (ReadSubKeyName(api, key.get(), index, name) != ERROR_SUCCESS) {
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
