// Names that hold a NUL, which the native registry allows and the Win32
// calls cannot show, in a report that must never hold a raw NUL: every
// reader of a text file would take it for the end of the line or the text.
#include <string>

#include "report/ReportWriter.h"

namespace {

constexpr char kNulPathNote[] = "; a name in the key path below holds a NUL character, written \\\\0\r\n";
constexpr char kNulValueNote[] =
    "; the value name below holds a NUL character, written \\0; a backslash in it is written \\\\\r\n";

bool HoldsNul(const char* text, size_t length) { return std::char_traits<char>::find(text, length, '\0'); }
bool HoldsNul(const wchar_t* text, size_t length) { return std::char_traits<wchar_t>::find(text, length, L'\0'); }

// text with each NUL written as nul and, when escapeBackslash is set, each
// backslash doubled.
template <typename Char>
std::basic_string<Char> Escaped(const Char* text, size_t length, const char* nul, bool escapeBackslash) {
    std::basic_string<Char> out;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == Char())
            for (const char* c = nul; *c; ++c) out += static_cast<Char>(*c);
        else if (escapeBackslash && text[i] == Char('\\'))
            out.append(2, Char('\\'));
        else
            out += text[i];
    }
    return out;
}

}  // namespace

template <typename Char>
int CReportWriter::WriteKeyLine(const Char* path, size_t length) {
    if (!HoldsNul(path, length)) return WriteRawText("[") && WriteRawText(path) && WriteRawText("]\r\n");
    return WriteRawText(kNulPathNote) && WriteRawText("[") &&
           WriteRawText(Escaped(path, length, "\\\\0", false).c_str()) && WriteRawText("]\r\n");
}

template <typename Char>
int CReportWriter::WriteValueName(const Char* name, uint32_t length) {
    if (length == 0) return WriteRawText("@");
    if (!HoldsNul(name, length)) return WriteRawText("\"") && WriteRawText(name) && WriteRawText("\"");
    return WriteRawText(kNulValueNote) && WriteRawText("\"") &&
           WriteRawText(Escaped(name, length, "\\0", true).c_str()) && WriteRawText("\"");
}

template int CReportWriter::WriteKeyLine<char>(const char*, size_t);
template int CReportWriter::WriteKeyLine<wchar_t>(const wchar_t*, size_t);
template int CReportWriter::WriteValueName<char>(const char*, uint32_t);
template int CReportWriter::WriteValueName<wchar_t>(const wchar_t*, uint32_t);
