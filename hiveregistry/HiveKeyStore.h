#pragma once
// The keys of hive files (kestrin-find /H), which HiveRegistry hands to the
// walk in both widths. Each hive's root key stands at a key of its own, its
// mount (e.g. HKEY_LOCAL_MACHINE\SOFTWARE); the predefined roots and the
// keys between them and the mounts exist only as the way there, and nothing
// of the live registry is read. Keys are handed out as tokens of this store,
// never as real handles. A damaged structure is told to the damage sink once
// and left out, so that the rest of the hive stays readable; a sub-key list
// that names an ancestor of its key is damage too.
#include <windows.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "hiveregistry/HiveMount.h"
#include "registry/Registry.h"

class HiveKeyStore {
public:
    enum class OpenResult { Opened, CannotOpen, NotAHive, NoKey };
    // Told of each damaged structure once, with the path of the key where
    // the walk met it.
    using DamageSink = std::function<void(const HiveMount&, const std::wstring& keyPath, const hive::Damage&)>;
    // Told of each key, once, whose name the ANSI code page cannot spell:
    // the path of its parent and the file offset of its key node.
    using UnspellableSink = std::function<void(const HiveMount&, const std::wstring& parentPath, uint64_t fileOffset)>;

    HiveKeyStore();
    ~HiveKeyStore();
    HiveKeyStore(const HiveKeyStore&) = delete;
    HiveKeyStore& operator=(const HiveKeyStore&) = delete;

    // Puts file at key: a root's long name or abbreviation in any case, then
    // the path. Nothing is opened yet. False when key names no root (*clash
    // is then MountCount()), or when it equals, lies inside or holds the key
    // of mount *clash.
    bool AddMount(const std::wstring& key, const std::wstring& file, size_t* clash);
    // Puts a link at key that shows the key at target (a path below the
    // root, "" for the root itself) of mount source's hive, as a running
    // Windows links keys: the walk meets those keys under both names. The
    // link may stand inside a file's mount, where it is listed as a sub-key
    // of its parent key after the hive's own, in place of one of the same
    // name. False as for AddMount, or when source is no file's mount.
    bool AddLink(const std::wstring& key, size_t source, const std::wstring& target, size_t* clash);
    // Maps mount index's file and checks it; a dirty hive is replayed from
    // its logs first (OpenHiveBytes). CannotOpen with *error the
    // platform's code; NotAHive with *reason from hive::Hive::Open. A link
    // opens once its source (and the mount it stands in) did: NoKey, with
    // *reason, when a key it needs is not in the hive.
    OpenResult OpenMount(size_t index, DWORD* error, std::string* reason);
    const HiveMount& Mount(size_t index) const { return *m_mounts[index]; }
    // The innermost mount whose key equals key or holds it (its root
    // written in any form), or MountCount() when there is none.
    size_t MountHolding(const std::wstring& key) const;
    size_t MountCount() const { return m_mounts.size(); }

    void SetDamageSink(DamageSink sink) { m_sink = std::move(sink); }
    void SetUnspellableSink(UnspellableSink sink) { m_unspellableSink = std::move(sink); }
    // Mounts opened from now on show the keys and values recovered from
    // their free space as well (kestrin-find /X).
    void RecoverDeleted() { m_recover = true; }
    // How many damaged structures and unspellable names were told: either
    // leaves keys unsearched.
    size_t DamageCount() const { return m_told.size(); }

    // The key operations behind both widths of HiveRegistry, on keys by
    // their UTF-16 names. Keys are tokens of this store; a key that cannot
    // be read here is damage, never a missing right.
    LONG Open(HKEY parent, const wchar_t* subKey, size_t length, HKEY* result);
    LONG Query(HKEY key, RegKeyInfo* info);
    // The readable sub-key at index, remembered for the next Open.
    LONG SubKey(HKEY key, DWORD index, hive::KeyNode* node);
    // The readable value at index and its data (in the file, or in scratch).
    LONG Value(HKEY key, DWORD index, hive::ValueNode* value, hive::ByteView* data);
    // What a key or its value at index is: read from the hive's lists, or
    // recovered from its free space.
    RecordMark KeyMark(HKEY key);
    RecordMark ValueMark(HKEY key, DWORD index);
    void Close(HKEY key);
    // The narrow registry found no key by the name it handed out for the last
    // sub-key enumerated under parent: the name lost characters to the code
    // page.
    void TellUnspellable(HKEY parent);

private:
    static constexpr size_t kAbove = static_cast<size_t>(-1);

    // Where a look-up stands: on a key above the mounts, or on a hive's key.
    struct Cursor {
        std::wstring path;             // the key's full path
        std::wstring folded;           // above the mounts: path folded
        size_t mount = kAbove;
        std::vector<uint32_t> lineage;  // in a hive: cells from its root down to the key
        hive::KeyNode node;
        bool recovered = false;  // a recovered key, whose own lists are not read
    };
    // A readable value as listed: its node and, unless it had to be gathered
    // from big-data segments into the scratch that every read reuses, its
    // data in the file.
    struct ListedValue {
        hive::ValueNode node;
        hive::ByteView data;
        bool gathered = false;
        RecordMark mark;
    };
    // An open key: its cursor and, once queried, its readable sub-keys and
    // values in file order, each read and checked once.
    struct KeyState {
        bool open = false;  // a closed key's slot keeps its storage for the next
        Cursor at;
        bool listed = false;
        std::vector<hive::KeyNode> subKeys;
        std::vector<ListedValue> values;
        RegKeyInfo info;
        size_t lastSubKey = kAbove;  // the index enumerated last
        // The links listed after the hive's own sub-keys, in subKeys' order.
        std::vector<size_t> links;
    };

    // key with its root's long name and without backslashes at the end,
    // folded; empty when it names no root.
    static std::wstring FoldedKey(const std::wstring& key, std::wstring* canonical);
    KeyState* State(HKEY key);
    size_t Claim();
    LONG Start(HKEY parent, Cursor* at);
    LONG Arrive(Cursor* at);
    LONG Step(Cursor* at, const wchar_t* name, size_t length);
    bool StepRemembered(const KeyState& parent, Cursor* at, const wchar_t* name, size_t length);
    void Descend(Cursor* at, uint32_t cell, const hive::KeyNode& child);
    // Moves the cursor onto the key that link shows.
    bool EnterLink(Cursor* at, size_t link);
    // The link that the cursor's key lists by name, or kAbove.
    size_t LinkNamed(const Cursor& at, const wchar_t* name, size_t length) const;
    OpenResult OpenLink(HiveMount& link, std::string* reason);
    // The key at path below the key at cell, as the hive names it.
    bool FindKey(const hive::Hive& hive, uint32_t cell, const std::wstring& path, uint32_t* found);
    // Lists the links that stand in the state's key, in place of its own
    // sub-keys of the same name.
    void ListLinks(KeyState& state);
    // Calls visit(cell, node) for each readable sub-key of the cursor's key
    // in file order until it answers false.
    using SubKeyVisit = std::function<bool(uint32_t cell, const hive::KeyNode& node)>;
    void ForEachSubKey(const Cursor& at, const SubKeyVisit& visit);
    void List(KeyState& state);
    void ListValues(KeyState& state);
    void Tell(const Cursor& at, const std::vector<hive::Damage>& damage);
    // The recovered records of the cursor's hive, or null without /X.
    const RecoveredTree* Recovered(const Cursor& at) const;
    // Appends the recovered values of the state's key.
    void ListRecoveredValues(KeyState& state);

    std::vector<std::unique_ptr<HiveMount>> m_mounts;
    std::vector<std::unique_ptr<KeyState>> m_keys;  // a token is its slot here
    std::vector<size_t> m_freeSlots;
    // Scratch of the look-ups, whose storage each reuses: none calls another.
    std::vector<uint32_t> m_cells;
    std::vector<hive::Damage> m_damage;
    std::u16string m_units;
    std::set<std::tuple<size_t, uint64_t, std::string>> m_told;
    DamageSink m_sink;
    UnspellableSink m_unspellableSink;
    bool m_recover = false;
    std::vector<uint8_t> m_scratch;
};
