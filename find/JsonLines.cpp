#include "find/JsonLines.h"

#include <windows.h>
#include <cstring>
#include <cwchar>

#include "base/Mbcs.h"
#include "find/TimeRange.h"

namespace {

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
void AppendData(std::string& out, const BasicValueHit<Char>& hit) {
    const Char* text = reinterpret_cast<const Char*>(hit.data);
    switch (hit.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        AppendJsonString(out, text, Length(text));
        return;
    case REG_MULTI_SZ: {
        out += '[';
        const Char* end = text + hit.dataSize / sizeof(Char);
        for (const Char* item = text; item < end && *item; item += Length(item) + 1) {
            if (item != text) out += ", ";
            AppendJsonString(out, item, Length(item));
        }
        out += ']';
        return;
    }
    case REG_DWORD:
    case REG_QWORD:
        if (hit.dataSize == (hit.type == REG_DWORD ? 4u : 8u)) {
            unsigned long long value = 0;
            std::memcpy(&value, hit.data, hit.dataSize);
            out += std::to_string(value);
            return;
        }
        break;
    default:
        break;
    }
    AppendHex(out, hit.data, hit.dataSize);
}

// A recovered record's fields: what it is, where its cell stands in the
// file, and whether its path reaches the hive's root.
std::string MarkFields(const RecordMark& mark) {
    if (!mark.Marked()) return std::string();
    std::string fields = mark.kind == RecordMark::Kind::Deleted ? ", \"deleted\": true" : ", \"orphaned\": true";
    fields += ", \"offset\": " + std::to_string(mark.fileOffset);
    return mark.pathComplete ? fields : fields + ", \"path_complete\": false";
}

// The key's last write time, null when it is not known; the end of a line.
std::string Modified(const FILETIME* lastWrite) {
    if (!lastWrite) return ", \"modified\": null}\n";
    const uint64_t ticks = (static_cast<uint64_t>(lastWrite->dwHighDateTime) << 32) | lastWrite->dwLowDateTime;
    return ", \"modified\": \"" + FormatUtc(ticks) + "\"}\n";
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
                                  const RecordMark& mark) {
    std::string line = "{\"key\": ";
    AppendJsonString(line, keyPath.data(), keyPath.size());
    WriteLine(line + ", \"match\": \"key\"" + MarkFields(mark) + Modified(lastWrite));
}

template <typename Char>
void JsonLinesWriter::WriteValueHit(const BasicValueHit<Char>& hit) {
    std::string line = "{\"key\": ";
    AppendJsonString(line, hit.keyPath.data(), hit.keyPath.size());
    line += ", \"value\": ";
    AppendJsonString(line, hit.name, hit.nameLength);
    line += ", \"type\": \"" + RegistryTypeName(hit.type) + "\", \"data\": ";
    if (hit.mark.dataLost)
        line += "null";
    else
        AppendData(line, hit);
    line += MatchField(hit.match, hit.matchOffset);
    WriteLine(line + MarkFields(hit.mark) + Modified(hit.lastWrite));
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
}

// Flushed at once: a script reading the pipe sees each hit as it is found,
// and a reader that went away shows as a failed write of this very line
// (under Wine a closed pipe fails the next write).
void JsonLinesWriter::WriteLine(const std::string& line) {
    if (m_failed) return;
    const bool written = std::fwrite(line.data(), 1, line.size(), m_out) == line.size();
    if (std::fflush(m_out) == 0 && written) return;
    m_failed = true;
    if (m_onWriteFailed) m_onWriteFailed();
}

template void JsonLinesWriter::WriteKeyHit(std::string_view, const FILETIME*, const RecordMark&);
template void JsonLinesWriter::WriteKeyHit(std::wstring_view, const FILETIME*, const RecordMark&);
template void JsonLinesWriter::WriteValueHit(const ValueHit&);
template void JsonLinesWriter::WriteValueHit(const WideValueHit&);
