#include "engine/FakeRegistry.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

const struct {
    HKEY key;
    const char* name;
} kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, "HKEY_USERS"},
};

// Guard bytes behind every block: a walk that writes past its buffer breaks them.
constexpr size_t kGuardSize = 16;
constexpr char kGuardByte = '\xA5';
// Fresh blocks hold junk, as a real heap may, so a missing terminator shows.
constexpr char kJunkByte = 'Z';

// The registry reports name lengths in characters of the ANSI code page; a
// double-byte character is one character and two bytes.
DWORD CharacterCount(const std::string& text) {
    DWORD count = 0;
    for (size_t i = 0; i < text.size(); ++count)
        i += (::IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size()) ? 2 : 1;
    return count;
}

bool SameName(const std::string& a, const char* b) {
    return ::CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b, -1) ==
           CSTR_EQUAL;
}

}  // namespace

FakeKey& FakeKey::Add(const std::string& subKeyName) {
    subKeys.push_back(std::make_unique<FakeKey>());
    FakeKey& child = *subKeys.back();
    child.name = subKeyName;
    child.path = path + "\\" + subKeyName;
    return child;
}

FakeKey& FakeKey::Sz(const std::string& valueName, const std::string& text) {
    return Raw(valueName, REG_SZ, text + std::string(1, '\0'));
}

FakeKey& FakeKey::Raw(const std::string& valueName, DWORD type, const std::string& bytes) {
    values.push_back({valueName, type, bytes});
    return *this;
}

FakeRegistry::FakeRegistry() {
    for (const auto& root : kRoots) {
        m_roots.push_back(std::make_unique<FakeKey>());
        m_roots.back()->name = m_roots.back()->path = root.name;
    }
}

FakeRegistry::~FakeRegistry() {
    for (auto& block : m_blocks) std::free(block.first);
}

FakeKey& FakeRegistry::Key(const std::string& path) {
    // Split at each "\" that is a character of its own, not a trail byte.
    std::vector<std::string> names(1);
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '\\') {
            names.emplace_back();
        } else {
            names.back() += path[i];
            if (::IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) names.back() += path[++i];
        }
    }
    FakeKey* key = nullptr;
    for (auto& root : m_roots)
        if (root->name == names[0]) key = root.get();
    if (!key) std::abort();  // a test names a root that does not exist
    for (size_t level = 1; level < names.size(); ++level) {
        auto found = std::find_if(key->subKeys.begin(), key->subKeys.end(),
                                  [&](const auto& child) { return child->name == names[level]; });
        key = found != key->subKeys.end() ? found->get() : &key->Add(names[level]);
    }
    return *key;
}

bool FakeRegistry::WasOpened(const std::string& path) const {
    return std::find(m_opened.begin(), m_opened.end(), path) != m_opened.end();
}

std::string FakeRegistry::Problems() const {
    std::string text;
    for (const std::string& misuse : m_misuses) text += misuse + "\n";
    for (const auto& handle : m_open) text += "never closed: " + handle.second->path + "\n";
    if (!m_blocks.empty()) text += std::to_string(m_blocks.size()) + " block(s) never freed\n";
    return text;
}

void FakeRegistry::Misuse(const std::string& what) { m_misuses.push_back(what); }

FakeKey* FakeRegistry::Resolve(HKEY key, const char* call) {
    for (size_t i = 0; i < m_roots.size(); ++i)
        if (key == kRoots[i].key) return m_roots[i].get();
    auto found = m_open.find(key);
    if (found != m_open.end()) return found->second;
    Misuse(std::string(call) + " on a handle that is not open");
    return nullptr;
}

LONG FakeRegistry::OpenKey(HKEY parent, const char* subKey, HKEY* result) {
    *result = nullptr;
    FakeKey* key = Resolve(parent, "OpenKey");
    if (!key) return ERROR_INVALID_HANDLE;
    const bool self = !subKey || !*subKey;
    if (!self) {
        auto found = std::find_if(key->subKeys.begin(), key->subKeys.end(),
                                  [&](const auto& child) { return SameName(child->name, subKey); });
        if (found == key->subKeys.end()) return ERROR_FILE_NOT_FOUND;
        if ((*found)->vanishOnOpen) {
            key->subKeys.erase(found);
            return ERROR_FILE_NOT_FOUND;
        }
        key = found->get();
    }
    if (key->failOpen) return key->failCode;
    m_opened.push_back(key->path);
    if (self && !m_newRootHandles && m_open.find(parent) == m_open.end()) {
        *result = parent;  // the predefined handle itself
        return ERROR_SUCCESS;
    }
    *result = reinterpret_cast<HKEY>(m_nextHandle += 4);
    m_open[*result] = key;
    return ERROR_SUCCESS;
}

LONG FakeRegistry::QueryInfo(HKEY handle, RegKeyInfo* info) {
    FakeKey* key = Resolve(handle, "QueryInfo");
    if (!key) return ERROR_INVALID_HANDLE;
    if (key->failQuery) return key->failCode;
    *info = RegKeyInfo{};
    info->subKeys = static_cast<DWORD>(key->subKeys.size());
    info->values = static_cast<DWORD>(key->values.size());
    for (const auto& child : key->subKeys)
        info->maxSubKeyLength = std::max(info->maxSubKeyLength, CharacterCount(child->name));
    for (const FakeValue& value : key->values) {
        info->maxValueNameLength = std::max(info->maxValueNameLength, CharacterCount(value.name));
        info->maxValueDataSize = std::max(info->maxValueDataSize, static_cast<DWORD>(value.data.size()));
    }
    return ERROR_SUCCESS;
}

// Capacities are checked as RegEnumValueA checks them: the name needs room
// for its terminator, the data only for its own bytes.
LONG FakeRegistry::EnumValue(HKEY handle, DWORD index, char* name, DWORD* nameLength, DWORD* type,
                             BYTE* data, DWORD* dataSize) {
    FakeKey* key = Resolve(handle, "EnumValue");
    if (!key) return ERROR_INVALID_HANDLE;
    if (index >= key->values.size()) return ERROR_NO_MORE_ITEMS;
    if (static_cast<int>(index) == key->failValueAt) return key->failCode;
    FakeValue& value = key->values[index];
    if (static_cast<int>(index) == key->growValueAt && key->growths > 0) {
        --key->growths;
        value.name = Grown(value.name);
        value.data = Grown(value.data);
    }
    if (value.name.size() + 1 > *nameLength || value.data.size() > *dataSize) return ERROR_MORE_DATA;
    std::memcpy(name, value.name.c_str(), value.name.size() + 1);
    *nameLength = static_cast<DWORD>(value.name.size());
    *type = value.type;
    std::memcpy(data, value.data.data(), value.data.size());
    *dataSize = static_cast<DWORD>(value.data.size());
    return ERROR_SUCCESS;
}

LONG FakeRegistry::EnumKey(HKEY handle, DWORD index, char* name, DWORD* nameLength) {
    if (++m_enumKeyCalls == m_signalOnEnumKey) ::SetEvent(m_stopEvent);
    FakeKey* key = Resolve(handle, "EnumKey");
    if (!key) return ERROR_INVALID_HANDLE;
    if (index >= key->subKeys.size()) return ERROR_NO_MORE_ITEMS;
    if (static_cast<int>(index) == key->failSubKeyAt) return key->failCode;
    FakeKey& child = *key->subKeys[index];
    if (static_cast<int>(index) == key->growSubKeyAt && key->growths > 0) {
        --key->growths;
        child.name = Grown(child.name);
        child.path = key->path + "\\" + child.name;
    }
    const std::string& subKey = child.name;
    // RegEnumKeyExA fails without a byte written when the name and its
    // terminator do not fit.
    if (subKey.size() + 1 > *nameLength) return ERROR_MORE_DATA;
    std::memcpy(name, subKey.c_str(), subKey.size() + 1);
    *nameLength = static_cast<DWORD>(subKey.size());
    return ERROR_SUCCESS;
}

void FakeRegistry::CloseKey(HKEY handle) {
    for (const auto& root : kRoots)
        if (handle == root.key) return Misuse(std::string("closed the predefined ") + root.name);
    if (m_open.erase(handle) == 0) Misuse("closed a handle that is not open");
}

char* FakeRegistry::Allocate(size_t bytes) {
    ++m_allocations;
    if (m_allocations == m_failAllocationCall ||
        (m_failAllocationsFrom != 0 && bytes >= m_failAllocationsFrom)) {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* block = static_cast<char*>(std::malloc(bytes + kGuardSize));
    std::memset(block, kJunkByte, bytes);
    std::memset(block + bytes, kGuardByte, kGuardSize);
    m_blocks[block] = bytes;
    return block;
}

void FakeRegistry::Free(char* block) {
    auto found = m_blocks.find(block);
    if (found == m_blocks.end()) return Misuse("freed a block that was not allocated");
    for (size_t i = 0; i < kGuardSize; ++i)
        if (block[found->second + i] != kGuardByte) {
            Misuse("wrote past a block of " + std::to_string(found->second) + " bytes");
            break;
        }
    std::free(block);
    m_blocks.erase(found);
}
