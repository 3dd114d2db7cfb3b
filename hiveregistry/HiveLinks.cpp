// Links: keys that show a key of another mount's hive under a second name,
// as a running Windows shows the current control set as CurrentControlSet.
// A link shares its source's file and hive, and keeps marks of its own.
#include <algorithm>

#include "base/Mbcs.h"
#include "hiveregistry/HiveKeyStore.h"
#include "hiveregistry/KeyName.h"

namespace {

// A link's name as a hive would store it, for the walk to hand out.
hive::StoredName StoredOf(const std::u16string& name) {
    return {hive::ByteView(reinterpret_cast<const uint8_t*>(name.data()), name.size() * sizeof(char16_t)), false};
}

// True when link is listed among the sub-keys of the key at cell of mount:
// listing and opening by name must agree on it.
bool StandsIn(const HiveMount& link, size_t mount, uint32_t cell) {
    return link.open && link.inside == mount && link.parentCell == cell;
}

}  // namespace

bool HiveKeyStore::AddLink(const std::wstring& key, size_t source, const std::wstring& target, size_t* clash) {
    auto link = std::make_unique<HiveMount>();
    link->folded = FoldedKey(key, &link->key);
    *clash = m_mounts.size();
    if (link->folded.empty() || source >= m_mounts.size() || m_mounts[source]->link) return false;
    for (size_t other = 0; other < m_mounts.size(); ++other) {
        const HiveMount& mount = *m_mounts[other];
        const bool holds = IsWithin(link->folded, mount.folded) && link->folded != mount.folded;
        if (holds && !mount.link && link->inside == HiveMount::kNone) {
            link->inside = other;
            continue;
        }
        if (holds || IsWithin(mount.folded, link->folded)) {
            *clash = other;
            return false;
        }
    }
    const size_t slash = link->key.find_last_of(L'\\');
    link->name.assign(link->key.begin() + slash + 1, link->key.end());
    link->file = m_mounts[source]->file;
    link->source = source;
    link->target = target;
    link->link = true;
    m_mounts.push_back(std::move(link));
    return true;
}

HiveKeyStore::OpenResult HiveKeyStore::OpenLink(HiveMount& link, std::string* reason) {
    const HiveMount& source = *m_mounts[link.source];
    if (!source.open) {
        *reason = "its hive did not open";
        return OpenResult::NoKey;
    }
    if (!FindKey(source.hive, source.top, link.target, &link.top)) {
        *reason = "the hive holds no key " + mbcs::FromWide(link.target);
        return OpenResult::NoKey;
    }
    if (link.inside != HiveMount::kNone) {
        const HiveMount& outer = *m_mounts[link.inside];
        const std::wstring parent = link.key.substr(outer.key.size(), link.key.size() - outer.key.size() - link.name.size());
        if (!outer.open || !FindKey(outer.hive, outer.top, parent, &link.parentCell)) {
            *reason = "the key it stands in is not in " + mbcs::FromWide(outer.file);
            return OpenResult::NoKey;
        }
    }
    link.hive = source.hive;
    link.bytes.replay = source.bytes.replay;
    link.listed.assign(source.listed.size(), false);
    link.named.assign(source.listed.size(), false);
    link.open = true;
    return OpenResult::Opened;
}

// Bounded by the path's names; each step reads one sub-key list.
bool HiveKeyStore::FindKey(const hive::Hive& hive, uint32_t cell, const std::wstring& path, uint32_t* found) {
    for (size_t begin = 0; begin <= path.size();) {
        size_t end = path.find(L'\\', begin);
        if (end == std::wstring::npos) end = path.size();
        if (end > begin) {
            std::vector<uint32_t> cells;
            std::vector<hive::Damage> damage;
            hive::KeyNode node;
            if (!hive.ReadKey(cell, &node, &damage)) return false;
            hive.ReadSubKeyCells(node, &cells, &damage);
            const auto match = std::find_if(cells.begin(), cells.end(), [&](uint32_t child) {
                hive::KeyNode named;
                return hive.ReadKey(child, &named, &damage) && SameKeyName(named.name, path.data() + begin, end - begin);
            });
            if (match == cells.end()) return false;
            cell = *match;
        }
        begin = end + 1;
    }
    *found = cell;
    return true;
}

size_t HiveKeyStore::LinkNamed(const Cursor& at, const wchar_t* name, size_t length) const {
    for (size_t index = 0; index < m_mounts.size(); ++index) {
        const HiveMount& link = *m_mounts[index];
        if (StandsIn(link, at.mount, at.node.cell) && SameKeyName(StoredOf(link.name), name, length)) return index;
    }
    return kAbove;
}

bool HiveKeyStore::EnterLink(Cursor* at, size_t link) {
    const HiveMount& mount = *m_mounts[link];
    std::vector<hive::Damage> damage;
    if (!mount.hive.ReadKey(mount.top, &at->node, &damage)) return false;
    at->path = mount.key;
    at->mount = link;
    at->lineage.assign(1, mount.top);
    return true;
}

void HiveKeyStore::ListLinks(KeyState& state) {
    for (size_t index = 0; index < m_mounts.size(); ++index) {
        const HiveMount& link = *m_mounts[index];
        hive::KeyNode node;
        std::vector<hive::Damage> damage;
        if (!StandsIn(link, state.at.mount, state.at.node.cell) || !link.hive.ReadKey(link.top, &node, &damage))
            continue;
        node.name = StoredOf(link.name);
        const std::wstring name(link.name.begin(), link.name.end());
        // A key of the same name in the file gives way to the link, as when
        // Windows made the link.
        auto own = state.subKeys.end() - static_cast<ptrdiff_t>(state.links.size());
        state.subKeys.erase(std::remove_if(state.subKeys.begin(), own, [&](const hive::KeyNode& key) {
                                return SameKeyName(key.name, name.data(), name.size());
                            }), own);
        state.subKeys.push_back(node);
        state.links.push_back(index);
        state.info.maxSubKeyLength = std::max<DWORD>(state.info.maxSubKeyLength, static_cast<DWORD>(name.size()));
    }
}
