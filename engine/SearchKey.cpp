// The registry walk: depth first, pre-order, one key path buffer that grows
// and shrinks in place.
#include <cstring>

#include "engine/RegKeyTools.h"
#include "engine/SearchMessages.h"
#include "errors/ReportError.h"

struct CRegKeyTools::KeyVisit {
    bool keyLineWritten = false;  // decides the blank line that closes the block
    bool counted = false;         // a counter moved: the key may post progress
};

void CRegKeyTools::Bump(std::atomic<int32_t> SearchCounters::*counter) {
    SearchCounters::Bump(m_searchCounters->*counter);
}

bool CRegKeyTools::AppendKeyPath(const char* subKey) {
    size_t length = std::strlen(subKey);
    if (m_keyPathLength + 1 + length >= sizeof m_keyPath) return false;
    m_keyPath[m_keyPathLength] = '\\';
    std::memcpy(m_keyPath + m_keyPathLength + 1, subKey, length + 1);
    m_keyPathLength += 1 + length;
    return true;
}

int CRegKeyTools::SearchKey(HKEY parent, const char* subKey) {
    if (m_stopped) return 0;
    size_t parentLength = m_keyPathLength;
    if (subKey) {
        // A key whose path does not fit the buffer cannot be named in the
        // report or the exclusion list: it is left out, and the run counts
        // as one that could not read every key.
        if (!AppendKeyPath(subKey)) return 0;
        if (IsExcludedKey(m_keyPath)) {
            m_keyPath[m_keyPathLength = parentLength] = '\0';
            return 1;
        }
    }
    KeyVisit visit;
    int result = WalkKey(parent, subKey, visit);
    if (visit.counted && SearchCounters::Read(m_searchCounters->keys) % 100 == 0) PostProgress();
    if (subKey) m_keyPath[m_keyPathLength = parentLength] = '\0';
    return result;
}

// Everything that happens to one key between entering and leaving it.
int CRegKeyTools::WalkKey(HKEY parent, const char* subKey, KeyVisit& visit) {
    const bool belowRoot = subKey != nullptr;
    if (m_lookAtKeys && MatchString(subKey, m_matchBuffer, 1, sizeof m_matchBuffer)) {
        Bump(&SearchCounters::found);
        visit.counted = true;
        WriteKeyLine();
        visit.keyLineWritten = true;
        if (m_hitListener) m_hitListener->OnKeyHit(m_keyPath);
    }

    HKEY opened = nullptr;
    LONG rc = m_registry.OpenKey(parent, subKey, &opened);
    RegKey key(m_registry, rc == ERROR_SUCCESS ? opened : nullptr);
    if (!key) {
        if (belowRoot) AddExcludeKey(m_keyPath);
        CloseKeyBlock(visit);
        return 0;
    }
    Bump(&SearchCounters::keys);
    visit.counted = true;

    RegKeyInfo info;
    if (m_registry.QueryInfo(key.get(), &info) != ERROR_SUCCESS) {
        if (belowRoot) AddExcludeKey(m_keyPath);
        CloseKeyBlock(visit);
        return 0;
    }
    const bool valuePass = m_lookAtValues || m_lookAtNames || m_lookAtTypedData;
    if (valuePass && info.values > 0) SearchValues(key.get(), info, belowRoot, visit);
    CloseKeyBlock(visit);
    return SearchSubKeys(key.get(), info, belowRoot);
}

void CRegKeyTools::CloseKeyBlock(KeyVisit& visit) {
    if (visit.keyLineWritten) WriteText("\r\n");
}

void CRegKeyTools::SearchValues(HKEY key, const RegKeyInfo& info, bool belowRoot, KeyVisit& visit) {
    ValueBuffers buffers(m_registry, info);
    if (!buffers) return;

    for (DWORD index = 0; index < info.values; ++index) {
        DWORD nameLength, type, dataSize;
        if (buffers.Read(key, index, &nameLength, &type, &dataSize) != ERROR_SUCCESS) {
            if (!belowRoot) continue;
            AddExcludeKey(m_keyPath);
            return;
        }
        MatchValue(buffers, nameLength, type, dataSize, visit);
        Bump(&SearchCounters::values);
        visit.counted = true;
    }
}

// Matches one value's name and data and writes its value line on a hit; a
// value whose name and data both match is one hit.
int CRegKeyTools::MatchValue(const ValueBuffers& buffers, DWORD nameLength, DWORD type, DWORD dataSize,
                             KeyVisit& visit) {
    const char* name = buffers.name.get();
    const char* data = buffers.data.get();
    char* scratch = buffers.scratch.get();
    ValueMatch match = ValueMatch::Name;
    // The default value has no name to match.
    if (!(m_lookAtNames && nameLength > 0 && MatchString(name, scratch, 0, buffers.scratch.size()))) {
        if (!MatchValueData(type, data, dataSize, scratch, buffers.scratch.size())) return 0;
        match = ValueMatch::Data;
    }
    if (!visit.keyLineWritten) {
        WriteKeyLine();
        visit.keyLineWritten = true;
    }
    Bump(&SearchCounters::found);
    visit.counted = true;
    WriteValueLine(name, nameLength, type, data, dataSize);
    if (m_hitListener)
        m_hitListener->OnValueHit({m_keyPath, name, nameLength, type, reinterpret_cast<const BYTE*>(data),
                                   dataSize, match});
    return 1;
}

int CRegKeyTools::SearchSubKeys(HKEY key, const RegKeyInfo& info, bool belowRoot) {
    if (info.subKeys == 0 || info.maxSubKeyLength == 0) return 1;
    RegBuffer name(m_registry, NameBufferSize(info.maxSubKeyLength));
    if (!name) {
        ReportError(static_cast<int32_t>(::GetLastError()), "Out of memory");
        return 0;
    }
    int result = 1;
    for (DWORD index = 0; index < info.subKeys; ++index) {
        if (m_stopped) return 0;
        DWORD nameLength = name.Capacity();
        LONG rc = m_registry.EnumKey(key, index, name.get(), &nameLength);
        if (StopRequested()) return 0;
        if (rc == ERROR_SUCCESS) {
            if (!SearchKey(key, name.get())) result = 0;
        } else if (belowRoot) {
            AddExcludeKey(m_keyPath);
            break;
        }
    }
    return result;
}

int CRegKeyTools::StopRequested() {
    HANDLE stopEvent = m_stopEvent.load(std::memory_order_relaxed);
    if (!stopEvent || ::WaitForSingleObject(stopEvent, 0) != WAIT_OBJECT_0) return 0;
    ::ResetEvent(stopEvent);
    m_stopped = 1;
    return 1;
}
