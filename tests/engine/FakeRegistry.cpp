#include "engine/FakeRegistry.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "base/TextTraits.h"

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

// How many characters of text the next character takes: a double-byte
// character of the ANSI code page takes two; a UTF-16 unit is one character
// to the registry.
size_t CharacterUnits(const std::string& text, size_t at) {
    return (::IsDBCSLeadByte(static_cast<BYTE>(text[at])) && at + 1 < text.size()) ? 2 : 1;
}
size_t CharacterUnits(const std::wstring&, size_t) { return 1; }

// The registry reports name lengths in characters.
template <typename Text>
DWORD CharacterCount(const Text& text) {
    DWORD count = 0;
    for (size_t i = 0; i < text.size(); ++count) i += CharacterUnits(text, i);
    return count;
}

// Names are counted, as the native registry's are: a NUL inside one is a
// character like any other. CompareString gives NUL no weight, so the NULs
// must stand at the same places first.
template <typename Char>
bool SameNuls(const std::basic_string<Char>& a, const Char* b, size_t length) {
    if (a.size() != length) return false;
    for (size_t i = 0; i < length; ++i)
        if ((a[i] == Char()) != (b[i] == Char())) return false;
    return true;
}
bool SameName(const std::string& a, const char* b, size_t length) {
    return SameNuls(a, b, length) && ::CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.data(),
                                                      static_cast<int>(a.size()), b, static_cast<int>(length)) ==
                                         CSTR_EQUAL;
}
bool SameName(const std::wstring& a, const wchar_t* b, size_t length) {
    return SameNuls(a, b, length) && ::CompareStringW(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.data(),
                                                      static_cast<int>(a.size()), b, static_cast<int>(length)) ==
                                         CSTR_EQUAL;
}

}  // namespace

template <typename Char>
BasicFakeKey<Char>& BasicFakeKey<Char>::Add(const Text& subKeyName) {
    subKeys.push_back(std::make_unique<BasicFakeKey>());
    BasicFakeKey& child = *subKeys.back();
    child.name = subKeyName;
    child.path = path + Char('\\') + subKeyName;
    return child;
}

template <typename Char>
BasicFakeKey<Char>& BasicFakeKey<Char>::Sz(const Text& valueName, const Text& text) {
    return Raw(valueName, REG_SZ, std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(Char)));
}

template <typename Char>
BasicFakeKey<Char>& BasicFakeKey<Char>::Raw(const Text& valueName, DWORD type, const std::string& bytes) {
    values.push_back({valueName, type, bytes});
    return *this;
}

template <typename Char>
BasicFakeRegistry<Char>::BasicFakeRegistry() {
    for (const auto& root : kRoots) {
        m_roots.push_back(std::make_unique<Node>());
        m_roots.back()->name = m_roots.back()->path = Widened<Char>(root.name);
    }
}

template <typename Char>
BasicFakeRegistry<Char>::~BasicFakeRegistry() {
    for (auto& block : m_blocks) std::free(block.first);
}

template <typename Char>
BasicFakeKey<Char>& BasicFakeRegistry<Char>::Key(const Text& path) {
    // Split at each "\" that is a character of its own, not a trail byte.
    std::vector<Text> names(1);
    for (size_t i = 0; i < path.size();) {
        const size_t units = CharacterUnits(path, i);
        if (path[i] == Char('\\'))
            names.emplace_back();
        else
            names.back().append(path, i, units);
        i += units;
    }
    Node* key = nullptr;
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

template <typename Char>
bool BasicFakeRegistry<Char>::WasOpened(const Text& path) const {
    return std::find(m_opened.begin(), m_opened.end(), path) != m_opened.end();
}

template <typename Char>
std::string BasicFakeRegistry<Char>::Problems() const {
    std::string text;
    for (const std::string& misuse : m_misuses) text += misuse + "\n";
    for (const auto& handle : m_open)
        text += "never closed: " + std::string(handle.second->path.begin(), handle.second->path.end()) + "\n";
    if (!m_blocks.empty()) text += std::to_string(m_blocks.size()) + " block(s) never freed\n";
    return text;
}

template <typename Char>
void BasicFakeRegistry<Char>::Misuse(const std::string& what) {
    m_misuses.push_back(what);
}

template <typename Char>
BasicFakeKey<Char>* BasicFakeRegistry<Char>::Resolve(HKEY key, const char* call) {
    for (size_t i = 0; i < m_roots.size(); ++i)
        if (key == kRoots[i].key) return m_roots[i].get();
    auto found = m_open.find(key);
    if (found != m_open.end()) return found->second;
    Misuse(std::string(call) + " on a handle that is not open");
    return nullptr;
}

template <typename Char>
LONG BasicFakeRegistry<Char>::OpenKey(HKEY parent, const Char* subKey, size_t length, HKEY* result) {
    *result = nullptr;
    Node* key = Resolve(parent, "OpenKey");
    if (!key) return ERROR_INVALID_HANDLE;
    const bool self = !subKey || length == 0;
    if (!self) {
        auto found = std::find_if(key->subKeys.begin(), key->subKeys.end(),
                                  [&](const auto& child) { return SameName(child->name, subKey, length); });
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

template <typename Char>
LONG BasicFakeRegistry<Char>::QueryInfo(HKEY handle, RegKeyInfo* info) {
    Node* key = Resolve(handle, "QueryInfo");
    if (!key) return ERROR_INVALID_HANDLE;
    if (key->failQuery) return key->failCode;
    *info = RegKeyInfo{};
    info->subKeys = static_cast<DWORD>(key->subKeys.size());
    info->values = static_cast<DWORD>(key->values.size());
    for (const auto& child : key->subKeys)
        info->maxSubKeyLength = std::max(info->maxSubKeyLength, CharacterCount(child->name));
    for (const auto& value : key->values) {
        info->maxValueNameLength = std::max(info->maxValueNameLength, CharacterCount(value.name));
        info->maxValueDataSize = std::max(info->maxValueDataSize, static_cast<DWORD>(value.data.size()));
    }
    return ERROR_SUCCESS;
}

// Capacities are checked as RegEnumValue checks them: the name needs room
// for its terminator, the data only for its own bytes.
template <typename Char>
LONG BasicFakeRegistry<Char>::EnumValue(HKEY handle, DWORD index, Char* name, DWORD* nameLength, DWORD* type,
                                        BYTE* data, DWORD* dataSize) {
    Node* key = Resolve(handle, "EnumValue");
    if (!key) return ERROR_INVALID_HANDLE;
    if (index >= key->values.size()) return ERROR_NO_MORE_ITEMS;
    if (static_cast<int>(index) == key->failValueAt) return key->failCode;
    auto& value = key->values[index];
    if (static_cast<int>(index) == key->growValueAt && key->growths > 0) {
        --key->growths;
        value.name = Grown(value.name);
        value.data = Grown(value.data);
    }
    if (value.name.size() + 1 > *nameLength || value.data.size() > *dataSize) return ERROR_MORE_DATA;
    std::copy(value.name.c_str(), value.name.c_str() + value.name.size() + 1, name);
    *nameLength = static_cast<DWORD>(value.name.size());
    *type = value.type;
    std::memcpy(data, value.data.data(), value.data.size());
    *dataSize = static_cast<DWORD>(value.data.size());
    return ERROR_SUCCESS;
}

template <typename Char>
LONG BasicFakeRegistry<Char>::EnumKey(HKEY handle, DWORD index, Char* name, DWORD* nameLength) {
    if (++m_enumKeyCalls == m_signalOnEnumKey) ::SetEvent(m_stopEvent);
    Node* key = Resolve(handle, "EnumKey");
    if (!key) return ERROR_INVALID_HANDLE;
    if (index >= key->subKeys.size()) return ERROR_NO_MORE_ITEMS;
    if (static_cast<int>(index) == key->failSubKeyAt) return key->failCode;
    Node& child = *key->subKeys[index];
    if (static_cast<int>(index) == key->growSubKeyAt && key->growths > 0) {
        --key->growths;
        child.name = Grown(child.name);
        child.path = key->path + Char('\\') + child.name;
    }
    const Text& subKey = child.name;
    // RegEnumKeyEx fails without a character written when the name and its
    // terminator do not fit.
    if (subKey.size() + 1 > *nameLength) return ERROR_MORE_DATA;
    std::copy(subKey.c_str(), subKey.c_str() + subKey.size() + 1, name);
    *nameLength = static_cast<DWORD>(subKey.size());
    return ERROR_SUCCESS;
}

template <typename Char>
void BasicFakeRegistry<Char>::CloseKey(HKEY handle) {
    for (const auto& root : kRoots)
        if (handle == root.key) return Misuse(std::string("closed the predefined ") + root.name);
    if (m_open.erase(handle) == 0) Misuse("closed a handle that is not open");
}

template <typename Char>
char* BasicFakeRegistry<Char>::Allocate(size_t bytes) {
    ++m_allocations;
    if (m_allocations == m_failAllocationCall || (m_failAllocationsFrom != 0 && bytes >= m_failAllocationsFrom)) {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* block = static_cast<char*>(std::malloc(bytes + kGuardSize));
    std::memset(block, kJunkByte, bytes);
    std::memset(block + bytes, kGuardByte, kGuardSize);
    m_blocks[block] = bytes;
    return block;
}

template <typename Char>
void BasicFakeRegistry<Char>::Free(char* block) {
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

template struct BasicFakeKey<char>;
template struct BasicFakeKey<wchar_t>;
template class BasicFakeRegistry<char>;
template class BasicFakeRegistry<wchar_t>;
