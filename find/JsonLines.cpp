#include "find/JsonLines.h"

#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "base/Mbcs.h"
#include "base/UtcTime.h"

namespace {

// What a console is given in one write: Windows 7's console refuses much
// larger writes.
constexpr size_t kConsoleBatchBytes = 64 * 1024;

// UTF-16 to UTF-8. The platform's conversion replaces a lone surrogate, so
// no invalid UTF-8 can come out.
std::string Utf8(const wchar_t* text, size_t length) {
    if (length == 0) return std::string();
    const int size = static_cast<int>(length);
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, size, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string utf8(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, size, &utf8[0], bytes, nullptr, nullptr);
    return utf8;
}

// ANSI code page to UTF-8, through UTF-16: the platform's conversions map
// every byte sequence to something (an unmappable one to a default
// character).
std::string Utf8(const char* text, size_t length) {
    const std::wstring utf16 = mbcs::ToWide(text, length);
    return Utf8(utf16.data(), utf16.size());
}

size_t Length(const char* text) { return std::strlen(text); }
size_t Length(const wchar_t* text) { return std::wcslen(text); }

// Quotes, backslashes and control characters are escaped.
template <typename Char>
void AppendJsonString(std::string& out, const Char* text, size_t length) {
    static const char kDigits[] = "0123456789abcdef";
    out += '"';
    // UTF-8 bytes of characters beyond ASCII are all 0x80 or more, so the
    // escapes can be made byte by byte.
    for (unsigned char c : Utf8(text, length)) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += kDigits[c >> 4];
                out += kDigits[c & 0x0F];
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

// The type's name; an unknown type as its number in hex.
std::string RegistryTypeName(unsigned long type) {
    static const char* const kNames[] = {"REG_NONE", "REG_SZ", "REG_EXPAND_SZ", "REG_BINARY", "REG_DWORD",
                                         "REG_DWORD_BIG_ENDIAN", "REG_LINK", "REG_MULTI_SZ",
                                         "REG_RESOURCE_LIST", "REG_FULL_RESOURCE_DESCRIPTOR",
                                         "REG_RESOURCE_REQUIREMENTS_LIST", "REG_QWORD"};
    if (type < sizeof kNames / sizeof kNames[0]) return kNames[type];
    char number[16];
    std::snprintf(number, sizeof number, "0x%lx", type);
    return number;
}

void AppendHex(std::string& out, const BYTE* bytes, DWORD count) {
    static const char kDigits[] = "0123456789abcdef";
    out += '"';
    for (DWORD i = 0; i < count; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0x0F];
    }
    out += '"';
}

// The value's data as JSON: strings for string types, an array for a
// REG_MULTI_SZ, numbers for well-formed REG_DWORD and REG_QWORD, hex for
// everything else. The walk has terminated the data after its last byte.
template <typename Char>
void AppendData(std::string& out, DWORD type, const BYTE* data, DWORD dataSize) {
    const Char* text = reinterpret_cast<const Char*>(data);
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        AppendJsonString(out, text, Length(text));
        return;
    case REG_MULTI_SZ: {
        out += '[';
        const Char* end = text + dataSize / sizeof(Char);
        for (const Char* item = text; item < end && *item; item += Length(item) + 1) {
            if (item != text) out += ", ";
            AppendJsonString(out, item, Length(item));
        }
        out += ']';
        return;
    }
    case REG_DWORD:
    case REG_QWORD:
        if (dataSize == (type == REG_DWORD ? 4u : 8u)) {
            unsigned long long value = 0;
            std::memcpy(&value, data, dataSize);
            out += std::to_string(value);
            return;
        }
        break;
    default:
        break;
    }
    AppendHex(out, data, dataSize);
}

// A recovered record's fields: what it is, where its cell stands in the
// file, and whether its path reaches the hive's root.
std::string MarkFields(const RecordMark& mark) {
    if (!mark.Marked()) return std::string();
    std::string fields = mark.kind == RecordMark::Kind::Deleted ? ", \"deleted\": true" : ", \"orphaned\": true";
    fields += ", \"offset\": " + std::to_string(mark.fileOffset);
    return mark.pathComplete ? fields : fields + ", \"path_complete\": false";
}

// A value's name, type and data: "value": ..., "type": ..., "data": ...;
// data lost with a recovered record is null.
template <typename Char>
void AppendValueFields(std::string& out, const Char* name, DWORD nameLength, DWORD type, const BYTE* data,
                       DWORD dataSize, bool dataLost) {
    out += "\"value\": ";
    AppendJsonString(out, name, nameLength);
    out += ", \"type\": \"" + RegistryTypeName(type) + "\", \"data\": ";
    if (dataLost)
        out += "null";
    else
        AppendData<Char>(out, type, data, dataSize);
}

// /A's list of the key's values, each as a value hit gives its value, and
// marked when recovered; null when they could not be read.
template <typename Char>
std::string ValuesField(const BasicKeyValues<Char>* values) {
    if (!values) return ", \"values\": null";
    std::string field = ", \"values\": [";
    for (const BasicKeyValue<Char>& value : *values) {
        field += &value == values->data() ? "{" : ", {";
        AppendValueFields(field, value.name.data(), static_cast<DWORD>(value.name.size()), value.type,
                          value.data.data(), value.dataSize, value.mark.dataLost);
        field += MarkFields(value.mark) + "}";
    }
    return field + "]";
}

// The key's last write time, null when it is not known; the end of a line.
std::string Modified(const FILETIME* lastWrite) {
    if (!lastWrite) return ", \"modified\": null}\n";
    return ", \"modified\": \"" + FormatUtc(FileTimeTicks(*lastWrite)) + "\"}\n";
}

// Why a value is a hit; a binary hit also says where in its data.
std::string MatchField(ValueMatch match, size_t offset) {
    if (match == ValueMatch::Name) return ", \"match\": \"name\"";
    if (match == ValueMatch::Data) return ", \"match\": \"data\"";
    return ", \"match\": \"binary\", \"match_offset\": " + std::to_string(offset);
}

}  // namespace

std::string JsonString(const char* text, size_t length) {
    std::string out;
    AppendJsonString(out, text, length);
    return out;
}

std::string JsonString(const wchar_t* text, size_t length) {
    std::string out;
    AppendJsonString(out, text, length);
    return out;
}

template <typename Char>
void JsonLinesWriter::WriteKeyHit(std::basic_string_view<Char> keyPath, const FILETIME* lastWrite,
                                  const RecordMark& mark, const BasicKeyValues<Char>* keyValues) {
    std::string line = "{\"key\": ";
    AppendJsonString(line, keyPath.data(), keyPath.size());
    line += ", \"match\": \"key\"" + MarkFields(mark);
    if (m_withValues) line += ValuesField(keyValues);
    WriteLine(line + Modified(lastWrite));
}

template <typename Char>
void JsonLinesWriter::WriteValueHit(const BasicValueHit<Char>& hit) {
    std::string line = "{\"key\": ";
    AppendJsonString(line, hit.keyPath.data(), hit.keyPath.size());
    line += ", ";
    AppendValueFields(line, hit.name, hit.nameLength, hit.type, hit.data, hit.dataSize, hit.mark.dataLost);
    line += MatchField(hit.match, hit.matchOffset) + MarkFields(hit.mark);
    if (m_withValues) line += ValuesField(hit.keyValues);
    WriteLine(line + Modified(hit.lastWrite));
}

void JsonLinesWriter::WriteSummary(const char* report, const SearchCounters& counters,
                                   const std::vector<JsonHive>& hives, int exitCode) {
    std::string line = "{\"report\": ";
    if (report && *report)
        AppendJsonString(line, report, std::strlen(report));
    else
        line += "null";
    line += ", \"keys\": " + std::to_string(SearchCounters::Read(counters.keys));
    line += ", \"values\": " + std::to_string(SearchCounters::Read(counters.values));
    line += ", \"found\": " + std::to_string(SearchCounters::Read(counters.found));
    if (m_countDeleted) {
        line += ", \"deleted_keys\": " + std::to_string(SearchCounters::Read(counters.deletedKeys));
        line += ", \"deleted_values\": " + std::to_string(SearchCounters::Read(counters.deletedValues));
    }
    for (size_t i = 0; i < hives.size(); ++i) {
        const JsonHive& hive = hives[i];
        line += i == 0 ? ", \"hives\": [{\"file\": " : ", {\"file\": ";
        AppendJsonString(line, hive.file.c_str(), hive.file.size());
        line += ", \"key\": ";
        AppendJsonString(line, hive.key.c_str(), hive.key.size());
        line += ", \"size\": " + (hive.read ? std::to_string(hive.size) : "null");
        line += ", \"sha256\": " + (hive.read && !hive.sha256.empty() ? "\"" + hive.sha256 + "\"" : "null");
        line += std::string(", \"dirty\": ") + (hive.dirty ? "true" : "false");
        line += ", \"replayed\": " + std::to_string(hive.replayed) + ", \"links\": [";
        for (size_t link = 0; link < hive.links.size(); ++link) {
            if (link) line += ", ";
            AppendJsonString(line, hive.links[link].c_str(), hive.links[link].size());
        }
        line += i + 1 == hives.size() ? "]}]" : "]}";
    }
    line += ", \"exit\": " + std::to_string(exitCode) + "}\n";
    WriteLine(line);
    Flush();
}

JsonLinesWriter::JsonLinesWriter(HANDLE out, void (*onWriteFailed)()) : m_out(out), m_onWriteFailed(onWriteFailed) {
    DWORD mode = 0;
    m_console = ::GetConsoleMode(out, &mode) != FALSE;
}

// Not through the C runtime: it treats a character device (NUL, /dev/null
// under Wine) as a terminal and writes it unbuffered, many times slower. A
// pipe or a file gets one WriteFile a line, so that a script reading the pipe
// sees each hit as it is found, and a reader that went away shows as a failed
// write of this very line (under Wine a closed pipe fails the next write). A
// console draws each write on its own, which costs about ten times as much as
// the same lines written together: its lines are held back until they fill
// kConsoleBatchBytes or the progress thread flushes them.
void JsonLinesWriter::WriteLine(const std::string& line) {
    const std::lock_guard<std::mutex> hold(m_lock);
    if (m_failed) return;
    m_held += line;
    if (!m_console || m_held.size() >= kConsoleBatchBytes) WriteHeld();
}

void JsonLinesWriter::Flush() {
    const std::lock_guard<std::mutex> hold(m_lock);
    if (!m_failed) WriteHeld();
}

bool JsonLinesWriter::Failed() const {
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_failed;
}

void JsonLinesWriter::WriteHeld() {
    const char* rest = m_held.data();
    size_t left = m_held.size();
    while (left > 0) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(left, kConsoleBatchBytes));
        if (!::WriteFile(m_out, rest, chunk, &written, nullptr) || written == 0) break;
        rest += written;
        left -= written;
    }
    m_held.clear();
    if (left == 0) return;
    m_failed = true;
    if (m_onWriteFailed) m_onWriteFailed();
}

template void JsonLinesWriter::WriteKeyHit(std::string_view, const FILETIME*, const RecordMark&,
                                           const BasicKeyValues<char>*);
template void JsonLinesWriter::WriteKeyHit(std::wstring_view, const FILETIME*, const RecordMark&,
                                           const BasicKeyValues<wchar_t>*);
template void JsonLinesWriter::WriteValueHit(const ValueHit&);
template void JsonLinesWriter::WriteValueHit(const WideValueHit&);
