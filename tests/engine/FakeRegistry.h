#pragma once
// An in-memory registry of either width for the walk's
// tests: char serves the ANSI walk, wchar_t the wide one. The four
// predefined roots are the roots of its tree. Any call fails on demand, and
// every handle and heap block is tracked so that a test can check that the
// walk closed what it opened, freed what it allocated, never closed a
// predefined root and never wrote past a block.
#include <windows.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "registry/Registry.h"

template <typename Char>
struct BasicFakeValue {
    std::basic_string<Char> name;
    DWORD type;
    std::string data;  // the raw bytes, exactly as RegEnumValue delivers them
};

template <typename Char>
struct BasicFakeKey {
    using Text = std::basic_string<Char>;
    Text name;
    Text path;  // root name, then "\" and each level's name
    std::vector<BasicFakeValue<Char>> values;
    std::vector<std::unique_ptr<BasicFakeKey>> subKeys;

    // Failure injection, per key.
    bool failOpen = false;
    bool failQuery = false;
    int failValueAt = -1;   // RegEnumValue fails at this index
    int failSubKeyAt = -1;  // RegEnumKeyEx fails at this index
    // The code of each failure above: a refusal, or what another program's
    // change looks like (ERROR_KEY_DELETED, ERROR_NO_MORE_ITEMS).
    LONG failCode = ERROR_ACCESS_DENIED;
    // Deleted by another program between its enumeration and its opening:
    // the open takes it out of its parent and answers ERROR_FILE_NOT_FOUND.
    // The key and its sub-tree are gone afterwards.
    bool vanishOnOpen = false;
    // Right before RegEnumValue / RegEnumKeyEx answers for this index, the
    // value's name and data / the sub-key's name grow (see Grown), as if
    // another program had just changed them; `growths` times in all. A
    // growing sub-key must have no sub-keys of its own.
    int growValueAt = -1;
    int growSubKeyAt = -1;
    int growths = 0;

    // Adds a sub-key (after the existing ones) and returns it.
    BasicFakeKey& Add(const Text& subKeyName);
    // A string value whose data is text with its terminator, in the width.
    BasicFakeKey& Sz(const Text& valueName, const Text& text);
    // A value of any type whose data is bytes exactly.
    BasicFakeKey& Raw(const Text& valueName, DWORD type, const std::string& bytes);
};

// What one growth makes of a name or data: more than twice as long, so that
// it no longer fits a buffer sized from the key's earlier figures.
template <typename Char>
std::basic_string<Char> Grown(const std::basic_string<Char>& text) {
    return text + std::basic_string<Char>(text.size() + 1, '+');
}

template <typename Char>
class BasicFakeRegistry final : public IRegistry<Char> {
public:
    using Node = BasicFakeKey<Char>;
    using Text = std::basic_string<Char>;

    BasicFakeRegistry();
    ~BasicFakeRegistry() override;

    // The key at a full path such as "HKEY_CURRENT_USER\A\B"; missing levels
    // are created.
    Node& Key(const Text& path);

    // Allocate fails for its n-th call (1-based) / for every request of at
    // least this many bytes. 0 switches the rule off.
    void FailAllocationCall(int n) { m_failAllocationCall = n; }
    void FailAllocationsFrom(size_t bytes) { m_failAllocationsFrom = bytes; }
    // SetEvent(event) during the n-th EnumKey call (1-based), before it answers.
    void SignalOnEnumKey(int n, HANDLE event) { m_signalOnEnumKey = n; m_stopEvent = event; }
    // Opening a root with no sub-key name hands back a fresh handle that must
    // be closed, as Wine does, instead of the predefined handle itself.
    void HandBackNewRootHandles(bool on) { m_newRootHandles = on; }

    // Paths of the keys opened so far, in order.
    const std::vector<Text>& Opened() const { return m_opened; }
    bool WasOpened(const Text& path) const;
    int EnumKeyCalls() const { return m_enumKeyCalls; }
    int Allocations() const { return m_allocations; }
    // Handles still open, blocks not freed, and every misuse seen (closing a
    // root or an unknown handle, using a closed handle, overrunning a block),
    // as one text; empty when all is well.
    std::string Problems() const;

    LONG OpenKey(HKEY parent, const Char* subKey, size_t length, HKEY* result) override;
    LONG QueryInfo(HKEY key, RegKeyInfo* info) override;
    LONG EnumValue(HKEY key, DWORD index, Char* name, DWORD* nameLength, DWORD* type, BYTE* data,
                   DWORD* dataSize) override;
    LONG EnumKey(HKEY key, DWORD index, Char* name, DWORD* nameLength) override;
    void CloseKey(HKEY key) override;
    char* Allocate(size_t bytes) override;
    void Free(char* block) override;

private:
    Node* Resolve(HKEY key, const char* call);
    void Misuse(const std::string& what);

    std::vector<std::unique_ptr<Node>> m_roots;
    std::map<HKEY, Node*> m_open;
    std::map<char*, size_t> m_blocks;
    std::vector<Text> m_opened;
    std::vector<std::string> m_misuses;
    uintptr_t m_nextHandle = 0x1000;
    int m_allocations = 0;
    int m_enumKeyCalls = 0;
    int m_failAllocationCall = 0;
    size_t m_failAllocationsFrom = 0;
    int m_signalOnEnumKey = 0;
    HANDLE m_stopEvent = nullptr;
    bool m_newRootHandles = false;
};

using FakeKey = BasicFakeKey<char>;
using FakeRegistry = BasicFakeRegistry<char>;
using WideFakeKey = BasicFakeKey<wchar_t>;
using WideFakeRegistry = BasicFakeRegistry<wchar_t>;
