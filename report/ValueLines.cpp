// Value lines in the export syntax of each type. String values are written
// raw between quotes, as they always were; numbers and bytes the way an
// export file writes them.
#include <cstdio>
#include <cstring>

#include "report/ReportWriter.h"

namespace {

// Bytes per piece of a hex list: "xx," each, within one formatted line.
constexpr DWORD kHexBytesPerPiece = 520 / 3 - 1;

}  // namespace

template <typename Char>
int CReportWriter::WriteValueLine(const Char* name, uint32_t nameLength, DWORD type, const Char* data,
                                 DWORD dataSize) {
    // Each piece only when the one before it was written.
    return WriteValueName(name, nameLength) && WriteRawText("=") && WriteValueData(type, data, dataSize) &&
           WriteRawText("\r\n");
}

template <typename Char>
int CReportWriter::WriteValueData(DWORD type, const Char* data, DWORD dataSize) {
    char line[520];
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        // Up to the first terminator. Empty data has no piece of its own, so
        // its line still closes.
        return WriteRawText("\"") && (!*data || WriteRawText(data)) && WriteRawText("\"");
    case REG_DWORD:
        if (dataSize == sizeof(uint32_t)) {
            uint32_t value;
            std::memcpy(&value, data, sizeof value);
            std::snprintf(line, sizeof line, "dword:%08lx", static_cast<unsigned long>(value));
            return WriteRawText(line);
        }
        break;
    case REG_BINARY:
        return WriteRawText("hex:") && WriteHexBytes(reinterpret_cast<const BYTE*>(data), dataSize);
    default:
        break;
    }
    std::snprintf(line, sizeof line, "hex(%lx):", static_cast<unsigned long>(type));
    return WriteRawText(line) && WriteHexBytes(reinterpret_cast<const BYTE*>(data), dataSize);
}

// Lower-case hex pairs separated by commas, all on the line being written.
int CReportWriter::WriteHexBytes(const BYTE* bytes, DWORD count) {
    char piece[520];
    for (DWORD at = 0; at < count; at += kHexBytesPerPiece) {
        const DWORD end = count - at < kHexBytesPerPiece ? count : at + kHexBytesPerPiece;
        char* out = piece;
        for (DWORD i = at; i < end; ++i) out += std::sprintf(out, i ? ",%02x" : "%02x", bytes[i]);
        if (!WriteRawText(piece)) return 0;
    }
    return 1;
}

template int CReportWriter::WriteValueLine<char>(const char*, uint32_t, DWORD, const char*, DWORD);
template int CReportWriter::WriteValueLine<wchar_t>(const wchar_t*, uint32_t, DWORD, const wchar_t*, DWORD);
