// The mount table, the key tokens and the look-up of keys by path.
#include "hiveregistry/HiveKeyStore.h"

#include <algorithm>
#include <iterator>

#include "base/TextTraits.h"
#include "base/WideCase.h"
#include "hiveregistry/AnsiText.h"
#include "hiveregistry/KeyName.h"
#include "registry/RootKeys.h"

namespace {

// The registry refuses keys nested deeper than this; in a hive such a key is
// damage, and the walk's recursion stays bounded.
constexpr size_t kMaxDepth = 512;
constexpr char kCycle[] = "subkey list names an ancestor of its key (a cycle)";
constexpr char kTooDeep[] = "key nested deeper than 512 levels";

// A token is its slot's number, scaled so that it is never null and never
// one of the predefined keys.
HKEY TokenOf(size_t slot) { return reinterpret_cast<HKEY>(static_cast<uintptr_t>(slot + 1) << 4); }

}  // namespace

HiveKeyStore::HiveKeyStore() = default;
HiveKeyStore::~HiveKeyStore() = default;

std::wstring HiveKeyStore::FoldedKey(const std::wstring& key, std::wstring* canonical) {
    const wchar_t* below = nullptr;
    const RootKey* root = FindRootOf(key.c_str(), &below);
    if (!root) return std::wstring();
    *canonical = Widened<wchar_t>(root->name);
    std::wstring rest = below;
    while (!rest.empty() && rest.back() == L'\\') rest.pop_back();
    if (!rest.empty()) *canonical += L'\\' + rest;
    return FoldedOrdinal(*canonical);
}

bool HiveKeyStore::AddMount(const std::wstring& key, const std::wstring& file, size_t* clash) {
    auto mount = std::make_unique<HiveMount>();
    mount->folded = FoldedKey(key, &mount->key);
    mount->file = file;
    mount->source = m_mounts.size();
    *clash = m_mounts.size();
    if (mount->folded.empty()) return false;
    for (size_t other = 0; other < m_mounts.size(); ++other) {
        const std::wstring& folded = m_mounts[other]->folded;
        if (IsWithin(mount->folded, folded) || IsWithin(folded, mount->folded)) {
            *clash = other;
            return false;
        }
    }
    m_mounts.push_back(std::move(mount));
    return true;
}

size_t HiveKeyStore::MountHolding(const std::wstring& key) const {
    std::wstring canonical;
    const std::wstring folded = FoldedKey(key, &canonical);
    size_t holding = m_mounts.size();
    for (size_t index = 0; index < m_mounts.size(); ++index) {
        const std::wstring& mount = m_mounts[index]->folded;
        if (!folded.empty() && IsWithin(folded, mount) &&
            (holding == m_mounts.size() || mount.size() > m_mounts[holding]->folded.size()))
            holding = index;
    }
    return holding;
}

HiveKeyStore::OpenResult HiveKeyStore::OpenMount(size_t index, DWORD* error, std::string* reason) {
    HiveMount& mount = *m_mounts[index];
    if (mount.link) return OpenLink(mount, reason);
    if (!OpenHiveBytes(mount.file, &mount.bytes, error)) return OpenResult::CannotOpen;
    if (!mount.hive.Open(mount.bytes.view, reason, m_recover)) return OpenResult::NotAHive;
    mount.top = mount.hive.RootCell();
    if (m_recover) mount.recovered = std::make_unique<RecoveredTree>(mount.hive);
    mount.listed.assign((mount.recovered ? mount.recovered->CellLimit() : mount.hive.BinsSize()) / 8 + 1, false);
    mount.named.assign(mount.listed.size(), false);
    mount.open = true;
    return OpenResult::Opened;
}

HiveKeyStore::KeyState* HiveKeyStore::State(HKEY key) {
    const auto value = reinterpret_cast<uintptr_t>(key);
    if (IsPredefinedKey(key) || value == 0 || value % 16 != 0) return nullptr;
    const size_t slot = value / 16 - 1;
    return slot < m_keys.size() && m_keys[slot]->open ? m_keys[slot].get() : nullptr;
}

// The cursor on parent: a token's key, or a predefined root.
LONG HiveKeyStore::Start(HKEY parent, Cursor* at) {
    if (const KeyState* state = State(parent)) {
        *at = state->at;
        return ERROR_SUCCESS;
    }
    for (const RootKey& root : g_rootKeys) {
        if (root.key != parent) continue;
        at->path = at->folded = Widened<wchar_t>(root.name);
        return ERROR_SUCCESS;
    }
    return ERROR_INVALID_HANDLE;
}

// Above the mounts, the cursor enters the hive mounted where it stands, or
// stays on a key that leads to a mount; any other key does not exist here.
LONG HiveKeyStore::Arrive(Cursor* at) {
    if (at->mount != kAbove) return ERROR_SUCCESS;
    for (size_t index = 0; index < m_mounts.size(); ++index) {
        const HiveMount& mount = *m_mounts[index];
        // A link inside a mount is reached through that mount's keys.
        if (mount.inside != HiveMount::kNone) continue;
        if (mount.folded == at->folded) {
            if (!mount.open) return ERROR_FILE_NOT_FOUND;
            std::vector<hive::Damage> damage;
            at->mount = index;
            if (!mount.hive.ReadKey(mount.top, &at->node, &damage)) return ERROR_FILE_NOT_FOUND;
            at->path = mount.key;
            at->lineage.assign(1, mount.top);
            at->recovered = false;
            return ERROR_SUCCESS;
        }
        if (IsWithin(mount.folded, at->folded)) return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
}

LONG HiveKeyStore::Step(Cursor* at, const wchar_t* name, size_t length) {
    if (at->mount == kAbove) {
        const std::wstring part(name, length);
        at->path += L'\\' + part;
        at->folded += L'\\' + FoldedOrdinal(part);
        return Arrive(at);
    }
    const size_t link = LinkNamed(*at, name, length);
    if (link != kAbove) return EnterLink(at, link) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    uint32_t found = hive::kNoCell;
    hive::KeyNode node;
    ForEachSubKey(*at, [&](uint32_t cell, const hive::KeyNode& child) {
        if (!SameKeyName(child.name, name, length)) return true;
        found = cell;
        node = child;
        return false;
    });
    if (found == hive::kNoCell) return ERROR_FILE_NOT_FOUND;
    Descend(at, found, node);
    return ERROR_SUCCESS;
}

// The walk opens each sub-key right after enumerating it: the one
// remembered is tried before the whole list is read again.
bool HiveKeyStore::StepRemembered(const KeyState& parent, Cursor* at, const wchar_t* name, size_t length) {
    if (at->mount == kAbove || parent.lastSubKey >= parent.subKeys.size()) return false;
    const hive::KeyNode& child = parent.subKeys[parent.lastSubKey];
    if (!SameKeyName(child.name, name, length)) return false;
    const size_t own = parent.subKeys.size() - parent.links.size();
    if (parent.lastSubKey >= own) return EnterLink(at, parent.links[parent.lastSubKey - own]);
    Descend(at, child.cell, child);
    return true;
}

void HiveKeyStore::Descend(Cursor* at, uint32_t cell, const hive::KeyNode& child) {
    m_units.clear();
    child.name.AppendUtf16(&m_units);
    at->path += L'\\';
    at->path.append(m_units.begin(), m_units.end());
    at->lineage.push_back(cell);
    at->node = child;
    const RecoveredTree* recovered = Recovered(*at);
    at->recovered = recovered && recovered->IsRecovered(cell);
}

LONG HiveKeyStore::Open(HKEY parent, const wchar_t* subKey, size_t length, HKEY* result) {
    *result = nullptr;
    const KeyState* from = State(parent);
    const size_t slot = Claim();
    Cursor& at = m_keys[slot]->at;
    LONG rc = Start(parent, &at);
    if (rc == ERROR_SUCCESS) rc = Arrive(&at);
    for (size_t begin = 0; begin < length && rc == ERROR_SUCCESS;) {
        size_t end = begin;
        while (end < length && subKey[end] != L'\\') ++end;
        const bool whole = begin == 0 && end == length;
        if (end > begin && !(whole && from && StepRemembered(*from, &at, subKey, length)))
            rc = Step(&at, subKey + begin, end - begin);
        begin = end + 1;
    }
    if (rc != ERROR_SUCCESS) {
        m_freeSlots.push_back(slot);
        return rc;
    }
    m_keys[slot]->open = true;
    *result = TokenOf(slot);
    return ERROR_SUCCESS;
}

// A free slot whose key is cleared, its storage kept: the walk opens and
// closes a key for every key of the hive.
size_t HiveKeyStore::Claim() {
    if (m_freeSlots.empty()) {
        m_keys.push_back(std::make_unique<KeyState>());
        return m_keys.size() - 1;
    }
    const size_t slot = m_freeSlots.back();
    m_freeSlots.pop_back();
    KeyState& state = *m_keys[slot];
    state.at.mount = kAbove;
    state.at.lineage.clear();
    state.at.recovered = false;
    state.listed = false;
    state.subKeys.clear();
    state.values.clear();
    state.info = RegKeyInfo{};
    state.lastSubKey = kAbove;
    state.links.clear();
    return slot;
}

void HiveKeyStore::Close(HKEY key) {
    KeyState* state = State(key);
    if (!state) return;
    state->open = false;
    m_freeSlots.push_back(reinterpret_cast<uintptr_t>(key) / 16 - 1);
}

// Lists that cannot be read, keys that cannot be read and entries that name
// an ancestor are told and left out.
// Recovered sub-keys follow the hive's own.
void HiveKeyStore::ForEachSubKey(const Cursor& at, const SubKeyVisit& visit) {
    const hive::Hive& hive = m_mounts[at.mount]->hive;
    m_damage.clear();
    m_cells.clear();
    if (!at.recovered) hive.ReadSubKeyCells(at.node, &m_cells, &m_damage);
    const RecoveredTree* recovered = Recovered(at);
    const std::vector<hive::KeyNode>* extra = recovered ? recovered->SubKeys(at.node.cell) : nullptr;
    if ((!m_cells.empty() || extra) && at.lineage.size() >= kMaxDepth) {
        m_damage.push_back({hive::Hive::FileOffset(at.node.cell), kTooDeep});
        m_cells.clear();
        extra = nullptr;
    }
    bool more = true;
    for (uint32_t cell : m_cells) {
        hive::KeyNode child;
        if (std::find(at.lineage.begin(), at.lineage.end(), cell) != at.lineage.end())
            m_damage.push_back({hive::Hive::FileOffset(at.node.subKeyList), kCycle});
        else if (hive.ReadKey(cell, &child, &m_damage) && !(more = visit(cell, child)))
            break;
    }
    for (size_t i = 0; more && extra && i < extra->size(); ++i) more = visit((*extra)[i].cell, (*extra)[i]);
    Tell(at, m_damage);
}

const RecoveredTree* HiveKeyStore::Recovered(const Cursor& at) const {
    return at.mount == kAbove ? nullptr : m_mounts[m_mounts[at.mount]->source]->recovered.get();
}

// A link meets its source's damage again: each is told once per file.
void HiveKeyStore::Tell(const Cursor& at, const std::vector<hive::Damage>& damage) {
    for (const hive::Damage& one : damage)
        if (m_told.emplace(m_mounts[at.mount]->source, one.fileOffset, one.what).second && m_sink)
            m_sink(*m_mounts[at.mount], at.path, one);
}

void HiveKeyStore::TellUnspellable(HKEY parent) {
    const KeyState* state = State(parent);
    if (!state || state->at.mount == kAbove || state->lastSubKey >= state->subKeys.size()) return;
    const uint64_t offset = hive::Hive::FileOffset(state->subKeys[state->lastSubKey].cell);
    // Remembered among the damage, which it is not, so that each is told once
    // and the run still ends as one that left keys unsearched.
    const HiveMount& mount = *m_mounts[state->at.mount];
    if (m_told.emplace(mount.source, offset, "unspellable key name").second && m_unspellableSink)
        m_unspellableSink(mount, state->at.path, offset);
}
