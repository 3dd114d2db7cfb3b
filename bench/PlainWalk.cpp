#include "bench/PlainWalk.h"

#include "engine/ValueBuffers.h"
#include "registry/RegKey.h"
#include "registry/RootKeys.h"

namespace {

void ReadValues(INarrowRegistry& registry, HKEY key, const RegKeyInfo& info, PlainWalkCounts& counts) {
    ValueBuffers buffers(registry, info);
    if (!buffers) return;
    for (DWORD index = 0; index < info.values; ++index) {
        DWORD nameLength, type, dataSize;
        if (buffers.Read(key, index, &nameLength, &type, &dataSize) != ERROR_SUCCESS) return;
        ++counts.values;
    }
}

void Walk(INarrowRegistry& registry, HKEY parent, const char* subKey, DWORD length, PlainWalkCounts& counts) {
    HKEY opened = nullptr;
    if (registry.OpenKey(parent, subKey, length, &opened) != ERROR_SUCCESS) return;
    RegKey key(registry, opened);
    ++counts.keys;
    RegKeyInfo info;
    if (registry.QueryInfo(key.get(), &info) != ERROR_SUCCESS) return;
    if (info.values > 0) ReadValues(registry, key.get(), info, counts);
    if (info.subKeys == 0 || info.maxSubKeyLength == 0) return;
    RegBuffer name(registry, RegChars<char>::NameBytes(info.maxSubKeyLength));
    if (!name) return;
    for (DWORD index = 0; index < info.subKeys; ++index) {
        DWORD length = 0;
        if (ReadSubKeyName(registry, key.get(), index, name, &length) != ERROR_SUCCESS) {
            if (subKey) return;
            continue;
        }
        Walk(registry, key.get(), name.get(), length, counts);
    }
}

}  // namespace

PlainWalkCounts PlainWalkAllRoots(INarrowRegistry& registry) {
    PlainWalkCounts counts;
    for (const RootKey& root : g_rootKeys) Walk(registry, root.key, nullptr, 0, counts);
    return counts;
}
