// The registry walk: depth first, pre-order, one key path buffer that grows
// and shrinks in place.
#include <cstring>

#include "engine/RegKeyTools.h"
#include "engine/SearchMessages.h"
#include "errors/ReportError.h"

namespace {

// Other programs add, change and delete keys and values while the walk runs.
// A key deleted after the walk found it, between the enumeration that named
// it and its opening or while it is open, is gone, not refused: it is
// skipped without a trace. Only a refusal excludes a key and fails the run.
bool IsGone(LONG rc) { return rc == ERROR_FILE_NOT_FOUND || rc == ERROR_KEY_DELETED; }

// A sub-key whose open answers ERROR_FILE_NOT_FOUND is gone only when its
// parent no longer lists it. A name that the ANSI code page cannot spell is
// listed with "?" for what it lacks, and that name never opens: such a key
// stays listed and counts as unreadable. Names have at most 255 characters,
// 510 bytes in a double-byte code page.
bool IsStillListed(IRegistryApi& registry, HKEY parent, const char* name) {
    char listed[512];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof listed;
        LONG rc = registry.EnumKey(parent, index, listed, &length);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) return false;
        if (std::strcmp(listed, name) == 0) return true;
    }
}

// An enumeration that answers this has simply met the end of a list that
// got shorter since the key's figures were taken, or a key that went.
bool EndsThePass(LONG rc) { return rc == ERROR_NO_MORE_ITEMS || IsGone(rc); }

// No memory for the sub-key names: the user is told, the key's sub-keys
// are skipped and the run counts as failed.
int OutOfMemory() {
    ReportError(static_cast<int32_t>(::GetLastError()), "Out of memory");
    return 0;
}

}  // namespace

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
    if (WalkEnded()) return 0;
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
    // The name is matched before the open and its line written after it, so
    // that a key that is gone by then leaves nothing behind, while a key that
    // cannot be opened is still reported by its name.
    const bool nameMatches = m_lookAtKeys && MatchString(subKey, m_matchBuffer, 1, sizeof m_matchBuffer);
    HKEY opened = nullptr;
    LONG rc = m_registry.OpenKey(parent, subKey, &opened);
    RegKey key(m_registry, rc == ERROR_SUCCESS ? opened : nullptr);
    if (!key && IsGone(rc) && !(belowRoot && IsStillListed(m_registry, parent, subKey))) return 1;
    if (nameMatches) {
        Bump(&SearchCounters::found);
        visit.counted = true;
        WriteKeyLine();
        visit.keyLineWritten = true;
        if (m_hitListener) m_hitListener->OnKeyHit(m_keyPath);
    }
    if (!key) {
        if (belowRoot) AddExcludeKey(m_keyPath);
        CloseKeyBlock(visit);
        return 0;
    }
    Bump(&SearchCounters::keys);
    visit.counted = true;

    RegKeyInfo info;
    rc = m_registry.QueryInfo(key.get(), &info);
    if (rc != ERROR_SUCCESS) {
        if (belowRoot && !IsGone(rc)) AddExcludeKey(m_keyPath);
        CloseKeyBlock(visit);
        return IsGone(rc) ? 1 : 0;
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

    // Values are read by index from a list that other programs may change
    // meanwhile: a value can be skipped or read twice. Either is accepted;
    // each read stands on its own.
    for (DWORD index = 0; index < info.values && !WalkEnded(); ++index) {
        DWORD nameLength, type, dataSize;
        LONG rc = buffers.Read(key, index, &nameLength, &type, &dataSize);
        // Without memory for a grown value the pass ends silently, as when
        // its buffers could not be had at all.
        if (EndsThePass(rc) || rc == ERROR_NOT_ENOUGH_MEMORY) return;
        if (rc != ERROR_SUCCESS) {
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
    if (!name) return OutOfMemory();
    int result = 1;
    // Like the values, sub-keys are read by index and may be skipped or
    // walked twice while the key changes; each walk keeps its own path.
    for (DWORD index = 0; index < info.subKeys; ++index) {
        if (WalkEnded()) return 0;
        LONG rc = ReadSubKeyName(m_registry, key, index, name);
        if (StopRequested()) return 0;
        if (rc == ERROR_SUCCESS) {
            if (!SearchKey(key, name.get())) result = 0;
        } else if (EndsThePass(rc)) {
            break;
        } else if (rc == ERROR_NOT_ENOUGH_MEMORY) {
            return OutOfMemory();
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
