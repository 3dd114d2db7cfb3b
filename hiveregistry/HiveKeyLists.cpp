// A hive key's sub-keys and values as the walk enumerates them: only the
// readable ones, each damaged structure told once.
#include <algorithm>

#include "hiveregistry/HiveKeyStore.h"

namespace {

constexpr char kNamedAgain[] = "subkey list names a key that a list names already";

}  // namespace

void HiveKeyStore::List(KeyState& state) {
    if (state.listed || state.at.mount == kAbove) return;
    state.listed = true;
    const uint64_t time = state.at.node.lastWrite;
    state.info.lastWrite = {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    // A key opened again lists the same sub-keys again; otherwise a key that
    // an earlier list named is not walked twice.
    HiveMount& mount = *m_mounts[state.at.mount];
    const size_t self = state.at.node.cell / 8;
    const bool again = mount.listed[self];
    mount.listed[self] = true;
    bool namedAgain = false;
    ForEachSubKey(state.at, [&](uint32_t cell, const hive::KeyNode& child) {
        if (!again && mount.named[cell / 8]) {
            namedAgain = true;
            return true;
        }
        mount.named[cell / 8] = true;
        state.subKeys.push_back(child);
        state.info.maxSubKeyLength = std::max<DWORD>(state.info.maxSubKeyLength, child.name.Units());
        return true;
    });
    ListLinks(state);
    state.info.subKeys = static_cast<DWORD>(state.subKeys.size());
    if (namedAgain) Tell(state.at, {{hive::Hive::FileOffset(state.at.node.subKeyList), kNamedAgain}});
    ListValues(state);
}

// A value whose node or data cannot be read is told and left out here, so
// that the walk's indices only ever meet readable ones.
void HiveKeyStore::ListValues(KeyState& state) {
    const hive::Hive& hive = m_mounts[state.at.mount]->hive;
    m_damage.clear();
    m_cells.clear();
    if (!state.at.recovered) hive.ReadValueCells(state.at.node, &m_cells, &m_damage);
    for (uint32_t cell : m_cells) {
        ListedValue value;
        if (!hive.ReadValue(cell, &value.node, &m_damage) ||
            !hive.ReadValueData(value.node, &m_scratch, &value.data, &m_damage))
            continue;
        // Data gathered into the scratch does not outlive the next read.
        value.gathered = !value.data.empty() && value.data.data() == m_scratch.data();
        if (value.gathered) value.data = hive::ByteView();
        state.values.push_back(value);
        state.info.maxValueNameLength = std::max<DWORD>(state.info.maxValueNameLength, value.node.name.Units());
        state.info.maxValueDataSize = std::max<DWORD>(state.info.maxValueDataSize, value.node.dataSize);
    }
    ListRecoveredValues(state);
    state.info.values = static_cast<DWORD>(state.values.size());
    Tell(state.at, m_damage);
}

// A recovered value whose data was lost is listed without it.
void HiveKeyStore::ListRecoveredValues(KeyState& state) {
    const RecoveredTree* recovered = Recovered(state.at);
    const std::vector<hive::RecoveredValue>* values = recovered ? recovered->Values(state.at.node.cell) : nullptr;
    for (size_t i = 0; values && i < values->size(); ++i) {
        const hive::RecoveredValue& value = (*values)[i];
        state.values.push_back({value.node, value.data, false, recovered->ValueMark(value)});
        state.info.maxValueNameLength = std::max<DWORD>(state.info.maxValueNameLength, value.node.name.Units());
        state.info.maxValueDataSize = std::max<DWORD>(state.info.maxValueDataSize, value.node.dataSize);
    }
}

RecordMark HiveKeyStore::KeyMark(HKEY key) {
    const KeyState* state = State(key);
    const RecoveredTree* recovered = state ? Recovered(state->at) : nullptr;
    return recovered ? recovered->KeyMark(state->at.node.cell) : RecordMark{};
}

RecordMark HiveKeyStore::ValueMark(HKEY key, DWORD index) {
    KeyState* state = State(key);
    if (!state) return {};
    List(*state);
    return index < state->values.size() ? state->values[index].mark : RecordMark{};
}

LONG HiveKeyStore::Query(HKEY key, RegKeyInfo* info) {
    KeyState* state = State(key);
    if (!state) return ERROR_INVALID_HANDLE;
    List(*state);
    *info = state->info;
    return ERROR_SUCCESS;
}

LONG HiveKeyStore::SubKey(HKEY key, DWORD index, hive::KeyNode* node) {
    KeyState* state = State(key);
    if (!state) return ERROR_INVALID_HANDLE;
    List(*state);
    if (index >= state->subKeys.size()) return ERROR_NO_MORE_ITEMS;
    *node = state->subKeys[index];
    state->lastSubKey = index;
    return ERROR_SUCCESS;
}

LONG HiveKeyStore::Value(HKEY key, DWORD index, hive::ValueNode* value, hive::ByteView* data) {
    KeyState* state = State(key);
    if (!state) return ERROR_INVALID_HANDLE;
    List(*state);
    if (index >= state->values.size()) return ERROR_NO_MORE_ITEMS;
    const ListedValue& listed = state->values[index];
    *value = listed.node;
    *data = listed.data;
    if (!listed.gathered) return ERROR_SUCCESS;
    // Checked when listed; gathered again into the scratch, now the data's
    // only user.
    std::vector<hive::Damage> damage;
    if (!m_mounts[state->at.mount]->hive.ReadValueData(*value, &m_scratch, data, &damage)) return ERROR_BADDB;
    return ERROR_SUCCESS;
}
