#pragma once
// kestrin-find /A shows every value of a key that holds a hit. The walk
// keeps each value of such a key as read, in the registry's order, until it
// knows whether the key has a hit: a value hit may come last.
#include <windows.h>
#include <string>
#include <vector>

#include "registry/RecordMark.h"

// Why a value is a hit: its name matched, or its data did (Binary: the text
// was found inside data that is neither a string nor a number). A value whose
// name and data both match is one hit, reported as a name hit.
enum class ValueMatch { Name, Data, Binary };

// One value of a key, owned. Char is char for the ANSI walk and wchar_t for
// the wide one (/U).
template <typename Char>
struct BasicKeyValue {
    std::basic_string<Char> name;  // counted: it may hold a NUL
    DWORD type = REG_NONE;
    DWORD dataSize = 0;
    // dataSize bytes, then zero bytes that end string data of either width
    // (a REG_MULTI_SZ's list included), as the walk's own buffers do.
    std::vector<BYTE> data;
    RecordMark mark;  // the value's, as the registry told it
    bool hit = false;
    ValueMatch match = ValueMatch::Name;  // with hit
    size_t matchOffset = 0;               // with a Binary hit
};

template <typename Char>
using BasicKeyValues = std::vector<BasicKeyValue<Char>>;
