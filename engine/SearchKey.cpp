// The registry walk: depth first, pre-order, one key path that grows and
// shrinks in place. One walk serves both widths (base/TextTraits.h).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/RegKeyTools.h"
#include "engine/SearchMessages.h"
#include "registry/RegKey.h"
#include "errors/ReportError.h"
#include "base/UtcTime.h"

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
// 510 bytes in a double-byte code page. Names are compared counted: one may
// hold a NUL.
template <typename T>
bool IsStillListed(IRegistry<typename T::Char>& registry, HKEY parent, const typename T::Char* name,
                   size_t nameLength) {
    using Char = typename T::Char;
    Char listed[512];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof listed / sizeof listed[0];
        LONG rc = registry.EnumKey(parent, index, listed, &length);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) return false;
        if (length == nameLength && std::char_traits<Char>::compare(listed, name, length) == 0) return true;
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
    const FILETIME* lastWrite = nullptr;  // the key's, once its figures were read
    RecordMark mark;                      // the key's, once it opened
    // /A: the key's name is a hit, told once its values are read.
    bool keyHit = false;
    bool matchValues = false;   // its values are searched, not only read (/A)
    bool valuesKnown = false;   // every value was read (/A)
};

bool CRegKeyTools::ModifiedInRange(const FILETIME& lastWrite) const {
    const uint64_t ticks = FileTimeTicks(lastWrite);
    return ticks >= m_modifiedFrom && ticks <= m_modifiedTo;
}

void CRegKeyTools::Bump(std::atomic<int32_t> SearchCounters::*counter) {
    SearchCounters::Bump(m_searchCounters->*counter);
}

template <typename T>
int CRegKeyTools::SearchKeyOf(HKEY parent, const typename T::Char* subKey, size_t length) {
    if (WalkEnded()) return 0;
    typename T::Path& path = Side<T>().path;
    const size_t parentLength = path.size();
    if (subKey) {
        // A key whose path does not fit the narrow walk's buffer (or, in the
        // wide walk, finds no memory) cannot be named in the report or the
        // exclusion list: it is left out, and the run counts as one that
        // could not read every key.
        if (!path.Append(subKey, length)) {
            path.Cut(parentLength);
            return 0;
        }
        // The exclusion list never holds a path with a NUL (NoteUnreadable).
        if (T::Length(path.c_str()) == path.size() && m_exclusions.IsExcluded(path.c_str())) {
            path.Cut(parentLength);
            return 1;
        }
    }
    KeyVisit visit;
    int result = WalkKey<T>(parent, subKey, length, visit);
    if (visit.counted && SearchCounters::Read(m_searchCounters->keys) % 100 == 0) PostProgress();
    if (subKey) path.Cut(parentLength);
    return result;
}

// Everything that happens to one key between entering and leaving it.
template <typename T>
int CRegKeyTools::WalkKey(HKEY parent, const typename T::Char* subKey, size_t length, KeyVisit& visit) {
    const bool belowRoot = subKey != nullptr;
    IRegistry<typename T::Char>& registry = *Side<T>().registry;
    HKEY opened = nullptr;
    LONG rc = registry.OpenKey(parent, subKey, length, &opened);
    RegKey key(registry, rc == ERROR_SUCCESS ? opened : nullptr);
    if (!key && IsGone(rc) && !(belowRoot && IsStillListed<T>(registry, parent, subKey, length))) return 1;
    RegKeyInfo info;
    if (key) {
        Bump(&SearchCounters::keys);
        visit.counted = true;
        visit.mark = registry.KeyMark(key.get());
        if (visit.mark.kind == RecordMark::Kind::Deleted) Bump(&SearchCounters::deletedKeys);
        rc = registry.QueryInfo(key.get(), &info);
        if (rc == ERROR_SUCCESS) visit.lastWrite = &info.lastWrite;
    }
    // A key that cannot be opened is still reported by its name, unless a
    // time range asks for the time it cannot tell.
    const bool matched = visit.lastWrite ? ModifiedInRange(info.lastWrite) : !TimeFiltered();
    if (matched && m_lookAtKeys) MatchKeyName<T>(subKey, length, visit);
    if (!key) {
        if (belowRoot) NoteUnreadable<T>();
        CloseKeyBlock<T>(visit);
        return 0;
    }
    if (!visit.lastWrite) {
        if (belowRoot && !IsGone(rc)) NoteUnreadable<T>();
        CloseKeyBlock<T>(visit);
        return IsGone(rc) ? 1 : 0;
    }
    const bool valuePass = m_lookAtValues || m_lookAtNames || m_lookAtTypedData || m_lookAtBinary;
    visit.matchValues = matched && valuePass;
    visit.valuesKnown = true;
    // keyHit is only ever set under /A, which reads the values of a key hit.
    if ((visit.matchValues || visit.keyHit) && info.values > 0) SearchValues<T>(key.get(), info, belowRoot, visit);
    CloseKeyBlock<T>(visit);
    return SearchSubKeys<T>(key.get(), info, belowRoot);
}

// The key's name (the path for a start key) against the search; a hit is
// written and told at once.
template <typename T>
void CRegKeyTools::MatchKeyName(const typename T::Char* subKey, size_t length, KeyVisit& visit) {
    WalkText<T>& side = Side<T>();
    m_patternGaveUp = false;
    const size_t capacity = sizeof side.matchBuffer / sizeof side.matchBuffer[0];
    const bool hit = subKey ? MatchName<T>(subKey, length, side.matchBuffer, capacity)
                            : MatchText<T>(nullptr, side.matchBuffer, 1, capacity);
    if (!hit) {
        if (m_patternGaveUp && m_hitListener) m_hitListener->OnNotSearched(side.path.View(), nullptr, 0);
        return;
    }
    // /A tells the hit with the key's values, once they are read.
    if (m_allValues) {
        visit.keyHit = true;
        return;
    }
    Bump(&SearchCounters::found);
    visit.counted = true;
    WriteKeyLineOf<T>(visit.mark, visit.lastWrite);
    visit.keyLineWritten = true;
    if (m_hitListener) m_hitListener->OnKeyHit(side.path.View(), visit.lastWrite, visit.mark, nullptr);
}

int CRegKeyTools::WriteMarkLine(const RecordMark& mark, bool value) {
    if (!mark.Marked()) return 1;
    char text[160];
    std::snprintf(text, sizeof text, "%s %s, file offset 0x%llX%s%s",
                  mark.kind == RecordMark::Kind::Deleted ? "deleted" : "orphaned", value ? "value" : "key",
                  static_cast<unsigned long long>(mark.fileOffset), mark.pathComplete ? "" : ", parent unknown",
                  mark.dataLost ? ", data not recoverable" : "");
    return m_report.WriteCommentLine(text);
}

// A comment line, which regedit skips: a live report still imports.
int CRegKeyTools::WriteLastWrittenLine(const FILETIME* lastWrite) {
    if (!m_lastWrittenLines) return 1;
    if (!lastWrite) return m_report.WriteCommentLine("last written: unknown, the key could not be read");
    return m_report.WriteCommentLine(("last written " + FormatUtc(FileTimeTicks(*lastWrite))).c_str());
}

template <typename T>
void CRegKeyTools::CloseKeyBlock(KeyVisit& visit) {
    if (m_allValues) WriteKeyBlock<T>(visit);
    if (visit.keyLineWritten && ReportReady()) m_report.WriteRawText("\r\n");
}

template <typename T>
void CRegKeyTools::SearchValues(HKEY key, const RegKeyInfo& info, bool belowRoot, KeyVisit& visit) {
    BasicValueBuffers<typename T::Char> buffers(*Side<T>().registry, info);
    visit.valuesKnown = static_cast<bool>(buffers);
    if (!buffers) return;

    // Values are read by index from a list that other programs may change
    // meanwhile: a value can be skipped or read twice. Either is accepted;
    // each read stands on its own.
    for (DWORD index = 0; index < info.values && !WalkEnded(); ++index) {
        DWORD nameLength, type, dataSize;
        LONG rc = buffers.Read(key, index, &nameLength, &type, &dataSize);
        // Without memory for a grown value the pass ends silently, as when
        // its buffers could not be had at all.
        if (rc == ERROR_NOT_ENOUGH_MEMORY) visit.valuesKnown = false;
        if (EndsThePass(rc) || rc == ERROR_NOT_ENOUGH_MEMORY) return;
        if (rc != ERROR_SUCCESS) {
            if (!belowRoot) continue;
            NoteUnreadable<T>();
            visit.valuesKnown = false;
            return;
        }
        const RecordMark mark = Side<T>().registry->ValueMark(key, index);
        if (m_allValues)
            KeepValue<T>(buffers, nameLength, type, dataSize, mark, visit.matchValues);
        else
            MatchValue<T>(buffers, nameLength, type, dataSize, mark, visit);
        // Values read only to be shown with a key hit were not searched.
        if (!visit.matchValues) continue;
        Bump(&SearchCounters::values);
        if (mark.kind == RecordMark::Kind::Deleted) Bump(&SearchCounters::deletedValues);
        visit.counted = true;
    }
}

// A value whose name and data both match is one hit, a name hit.
template <typename T>
bool CRegKeyTools::IsValueHit(const BasicValueBuffers<typename T::Char>& buffers, DWORD nameLength, DWORD type,
                              DWORD dataSize, ValueMatch* match) {
    using Char = typename T::Char;
    const Char* name = buffers.Name();
    Char* scratch = buffers.Scratch();
    const size_t scratchSize = buffers.ScratchCount();
    *match = ValueMatch::Name;
    m_patternGaveUp = false;
    // The default value has no name to match.
    if (m_lookAtNames && nameLength > 0 && MatchName<T>(name, nameLength, scratch, scratchSize)) return true;
    if (MatchValueData<T>(type, buffers.Data(), dataSize, scratch, scratchSize)) {
        *match = IsSearchedAsBinary(type) ? ValueMatch::Binary : ValueMatch::Data;
        return true;
    }
    if (m_patternGaveUp && m_hitListener) m_hitListener->OnNotSearched(Side<T>().path.View(), name, nameLength);
    return false;
}

// Matches one value's name and data and writes its value line on a hit.
template <typename T>
int CRegKeyTools::MatchValue(const BasicValueBuffers<typename T::Char>& buffers, DWORD nameLength, DWORD type,
                             DWORD dataSize, const RecordMark& mark, KeyVisit& visit) {
    using Char = typename T::Char;
    const Char* name = buffers.Name();
    const Char* data = buffers.Data();
    ValueMatch match;
    if (!IsValueHit<T>(buffers, nameLength, type, dataSize, &match)) return 0;
    if (!visit.keyLineWritten) {
        WriteKeyLineOf<T>(visit.mark, visit.lastWrite);
        visit.keyLineWritten = true;
    }
    Bump(&SearchCounters::found);
    visit.counted = true;
    if (ReportReady()) WriteMarkLine(mark, true);
    WriteValueLine(name, nameLength, type, data, dataSize);
    if (m_hitListener)
        m_hitListener->OnValueHit(BasicValueHit<Char>{Side<T>().path.View(), name, nameLength, type,
                                                      reinterpret_cast<const BYTE*>(data), dataSize, match,
                                                      visit.lastWrite, m_binaryOffset, mark, nullptr});
    return 1;
}

template <typename T>
void CRegKeyTools::KeepValue(const BasicValueBuffers<typename T::Char>& buffers, DWORD nameLength, DWORD type,
                             DWORD dataSize, const RecordMark& mark, bool search) {
    constexpr size_t reserve = RegChars<typename T::Char>::dataReserve;
    BasicKeyValue<typename T::Char> value;
    value.hit = search && IsValueHit<T>(buffers, nameLength, type, dataSize, &value.match);
    value.matchOffset = m_binaryOffset;
    value.name.assign(buffers.Name(), nameLength);
    value.type = type;
    // As far as the buffer reaches, as the read terminated it.
    value.dataSize = static_cast<DWORD>(std::min<size_t>(dataSize, buffers.data.size() - reserve));
    const BYTE* bytes = reinterpret_cast<const BYTE*>(buffers.Data());
    value.data.assign(bytes, bytes + value.dataSize);
    value.data.resize(value.dataSize + reserve, 0);
    value.mark = mark;
    Side<T>().keyValues.push_back(std::move(value));
}

// /A: a key with a hit is written whole, its key line, then every value in
// the registry's order, each once, whichever of them matched.
template <typename T>
void CRegKeyTools::WriteKeyBlock(KeyVisit& visit) {
    using Char = typename T::Char;
    BasicKeyValues<Char>& values = Side<T>().keyValues;
    const bool valueHit = std::any_of(values.begin(), values.end(), [](const auto& value) { return value.hit; });
    if (visit.keyHit || valueHit) {
        WriteKeyLineOf<T>(visit.mark, visit.lastWrite);
        visit.keyLineWritten = true;
        for (const BasicKeyValue<Char>& value : values) {
            if (ReportReady()) WriteMarkLine(value.mark, true);
            WriteValueLine(value.name.data(), static_cast<uint32_t>(value.name.size()), value.type,
                           reinterpret_cast<const Char*>(value.data.data()), value.dataSize);
        }
        TellKeyBlock<T>(visit);
    }
    values.clear();
}

// Counts the hits of a key block that /A wrote and tells each with the
// key's values.
template <typename T>
void CRegKeyTools::TellKeyBlock(KeyVisit& visit) {
    using Char = typename T::Char;
    const BasicKeyValues<Char>& values = Side<T>().keyValues;
    const BasicKeyValues<Char>* told = visit.valuesKnown ? &values : nullptr;
    const std::basic_string_view<Char> path = Side<T>().path.View();
    visit.counted = true;
    if (visit.keyHit) {
        Bump(&SearchCounters::found);
        if (m_hitListener) m_hitListener->OnKeyHit(path, visit.lastWrite, visit.mark, told);
    }
    for (const BasicKeyValue<Char>& value : values) {
        if (!value.hit) continue;
        Bump(&SearchCounters::found);
        if (!m_hitListener) continue;
        const auto nameLength = static_cast<DWORD>(value.name.size());
        m_hitListener->OnValueHit(BasicValueHit<Char>{path, value.name.data(), nameLength, value.type,
                                                      value.data.data(), value.dataSize, value.match,
                                                      visit.lastWrite, value.matchOffset, value.mark, told});
    }
}

template <typename T>
int CRegKeyTools::SearchSubKeys(HKEY key, const RegKeyInfo& info, bool belowRoot) {
    using Char = typename T::Char;
    if (info.subKeys == 0 || info.maxSubKeyLength == 0) return 1;
    IRegistry<Char>& registry = *Side<T>().registry;
    RegBuffer name(registry, RegChars<Char>::NameBytes(info.maxSubKeyLength));
    if (!name) return OutOfMemory();
    int result = 1;
    // Like the values, sub-keys are read by index and may be skipped or
    // walked twice while the key changes; each walk keeps its own path.
    for (DWORD index = 0; index < info.subKeys; ++index) {
        if (WalkEnded()) return 0;
        DWORD length = 0;
        LONG rc = ReadSubKeyName(registry, key, index, name, &length);
        if (StopRequested()) return 0;
        if (rc == ERROR_SUCCESS) {
            if (!SearchKeyOf<T>(key, reinterpret_cast<const Char*>(name.get()), length)) result = 0;
        } else if (EndsThePass(rc)) {
            break;
        } else if (rc == ERROR_NOT_ENOUGH_MEMORY) {
            return OutOfMemory();
        } else if (belowRoot) {
            NoteUnreadable<T>();
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

template int CRegKeyTools::SearchKeyOf<NarrowText>(HKEY, const char*, size_t);
template int CRegKeyTools::SearchKeyOf<WideText>(HKEY, const wchar_t*, size_t);
