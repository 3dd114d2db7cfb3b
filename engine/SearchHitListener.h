#pragma once
// An optional observer of a run's hits, called on the worker thread at the
// moment each hit is written to the report, in report order. The engine only
// calls it; front ends that stream hits (kestrin-find's JSON Lines) implement
// it.
#include <windows.h>
#include <string_view>

#include "engine/KeyValue.h"
#include "registry/RecordMark.h"

// Char is char for the ANSI walk and wchar_t for the wide one (/U).
template <typename Char>
struct BasicValueHit {
    // The key's full path, counted: a name in it may hold a NUL.
    std::basic_string_view<Char> keyPath;
    const Char* name;     // the value's name; empty for the default value
    DWORD nameLength;     // in characters, as the registry's enumeration reported it
    DWORD type;
    const BYTE* data;     // the bytes that the registry returned
    DWORD dataSize;
    ValueMatch match;
    const FILETIME* lastWrite;  // the key's last write time, UTC
    size_t matchOffset;         // Binary: the byte offset of the first match in data
    RecordMark mark;            // the value's, as the registry told it
    // /A: every value of the key, this one included; null without /A, or
    // when the key's values could not be read.
    const BasicKeyValues<Char>* keyValues;
};
using ValueHit = BasicValueHit<char>;
using WideValueHit = BasicValueHit<wchar_t>;

class ISearchHitListener {
public:
    virtual ~ISearchHitListener() = default;
    // A key whose name matched; keyPath is its full path (counted, as in
    // BasicValueHit), lastWrite its last write time (UTC), null when the key
    // could not be opened or queried; mark as the registry told it;
    // keyValues as in BasicValueHit.
    virtual void OnKeyHit(std::string_view keyPath, const FILETIME* lastWrite, const RecordMark& mark,
                          const BasicKeyValues<char>* keyValues) = 0;
    virtual void OnValueHit(const ValueHit& hit) = 0;
    // The same from the wide walk; string data is UTF-16.
    virtual void OnKeyHit(std::wstring_view keyPath, const FILETIME* lastWrite, const RecordMark& mark,
                          const BasicKeyValues<wchar_t>* keyValues) = 0;
    virtual void OnValueHit(const WideValueHit& hit) = 0;
    // The regular expression gave up on a key's name (name null) or on a
    // value (nameLength characters of name, empty for the default value),
    // which was therefore not searched; called once for each.
    virtual void OnNotSearched(std::string_view keyPath, const char* name, DWORD nameLength) = 0;
    virtual void OnNotSearched(std::wstring_view keyPath, const wchar_t* name, DWORD nameLength) = 0;
};
