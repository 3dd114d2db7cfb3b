// The report: its name, its exclusive creation, the header block, the bytes
// of its key and value lines, and the end of a run.
#include <winsock2.h>
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <string>

#include "base/Mbcs.h"
#include "base/OnOffText.h"
#include "report/ReportWriter.h"
#include "errors/ReportError.h"

namespace {

constexpr char kProgramName[] = "Kestrin";
constexpr char kVersionText[] = "1.0";
constexpr char kInterruptionNote[] = "\r\n; ** The process of search was interrupted by the user **";
constexpr char kNotForImportLine[] =
    "; Kestrin report of hive files: not for import. To import it on purpose, delete this line.\r\n";
constexpr char kOpenContext[] = " in CRegKeyTools::CreateFile [m_fileData.Open()]";
// Enough " (N)" suffixes for reports made in one second by side-by-side copies.
constexpr int kMaxNameTries = 1000;

// A report that cannot be created is named in the message, so that the user
// sees where the search tried to write.
void ReportOpenFailure(int32_t code, const char* path) {
    char context[520];
    std::snprintf(context, sizeof context, "%s for file %s", kOpenContext, path);
    ReportError(code, context);
}

}  // namespace

int CReportWriter::GetLocalHostName(char* buffer, uint32_t* size) {
    if (!buffer || !size || *size == 0) return 0;
    if (!m_hostName[0]) {
        WSADATA data;
        int rc = ::WSAStartup(MAKEWORD(2, 2), &data);
        if (rc != 0) {
            ReportError(rc, " in CRegKeyTools::GetLocalHostName [WSAStartup()0");
            return 0;
        }
        if (::gethostname(m_hostName, sizeof m_hostName) != 0) {
            m_hostName[0] = '\0';
            ReportError(::WSAGetLastError(), " in CRegKeyTools::GetLocalHostName [gethostname()]");
            ::WSACleanup();
            return 0;
        }
        ::WSACleanup();
        m_hostName[sizeof m_hostName - 1] = '\0';
        if (m_hostName[0] >= 'a' && m_hostName[0] <= 'z') m_hostName[0] -= 'a' - 'A';
    }
    size_t length = std::strlen(m_hostName);
    if (length == 0 || *size <= length) return 0;
    std::memcpy(buffer, m_hostName, length + 1);
    *size = static_cast<uint32_t>(length);
    return 1;
}

bool CReportWriter::NameParts(const char* host, std::string* stem, std::string* tail) {
    const DWORD attributes = m_place.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesA(m_place.c_str());
    if (!m_place.empty() && (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))) {
        // A file name: the suffix goes before the extension of its last part.
        // The scans skip trail bytes, which can equal "\" in a double-byte
        // code page.
        const char* text = m_place.c_str();
        const char* dot = mbcs::FindLast(text, '.');
        const char* slash = mbcs::FindLast(text, '\\');
        if (const char* other = mbcs::FindLast(text, '/'); other && (!slash || other > slash)) slash = other;
        const size_t cut = dot && (!slash || dot > slash) ? static_cast<size_t>(dot - text) : m_place.size();
        *stem = m_place.substr(0, cut);
        *tail = m_place.substr(cut);
        return true;
    }
    std::string folder = m_place;
    if (folder.empty()) {
        char directory[MAX_PATH];
        DWORD length = ::GetCurrentDirectoryA(sizeof directory, directory);
        if (length == 0 || length >= sizeof directory) {
            // A longer directory is reported, not cut: the report could not be named.
            ReportError(length ? ERROR_FILENAME_EXCED_RANGE : static_cast<int32_t>(::GetLastError()),
                        " in CRegKeyTools::CreateFile [GetCurrentDirectory()]");
            return false;
        }
        folder = directory;
    }
    // A given folder may end in its separator already ("E:\").
    const bool separated = !m_place.empty() &&
                           (mbcs::FindLast(folder.c_str(), '\\') == &folder.back() || folder.back() == '/');
    *stem = folder + (separated ? "" : "\\") + kProgramName + " " + host + " " + m_timeText;
    *tail = ".reg";
    return true;
}

int CReportWriter::CreateFile() {
    if (m_nowhere) return 1;
    char host[256];
    uint32_t hostSize = sizeof host;
    if (!GetLocalHostName(host, &hostSize)) return 0;

    std::time_t now = std::time(nullptr);
    if (const std::tm* local = std::localtime(&now)) m_createTm = *local;
    std::strftime(m_timeText, sizeof m_timeText, "%Y%m%d %H%M%S", &m_createTm);
    std::string stem, tail;
    if (!NameParts(host, &stem, &tail)) return 0;

    // A report never replaces a file: a taken name gets " (2)", " (3)", ...
    for (int attempt = 1; attempt <= kMaxNameTries; ++attempt) {
        char suffix[16] = "";
        if (attempt > 1) std::snprintf(suffix, sizeof suffix, " (%d)", attempt);
        const std::string path = stem + suffix + tail;
        if (path.size() >= sizeof m_fileName) {
            m_fileName[0] = '\0';
            ReportOpenFailure(ERROR_FILENAME_EXCED_RANGE, path.c_str());
            return 0;
        }
        std::memcpy(m_fileName, path.c_str(), path.size() + 1);
        if (m_fileData.OpenNew(m_fileName)) return 1;
        DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    ReportOpenFailure(static_cast<int32_t>(::GetLastError()), m_fileName);
    return 0;
}

int CReportWriter::WriteRawText(const char* text) {
    if (!text || !*text) return 0;
    if (m_nowhere) return 1;
    if (m_wide) {
        // The engine's own pieces of a wide report (header lines, brackets,
        // numbers) come from the ANSI code page like everything narrow.
        return WriteRawText(mbcs::ToWide(text, std::strlen(text)).c_str());
    }
    auto count = static_cast<uint32_t>(std::strlen(text));
    return m_fileData.Write(text, &count);
}

int CReportWriter::WriteRawText(const wchar_t* text) {
    if (!text || !*text) return 0;
    if (m_nowhere) return 1;
    auto count = static_cast<uint32_t>(std::wcslen(text) * sizeof(wchar_t));
    return m_fileData.Write(text, &count);
}

int CReportWriter::WriteFirstLines() {
    // A wide report is what the platform's own Unicode export writes: a
    // byte-order mark and the version 5 header line. Regedit, Windows' and
    // Wine's alike, takes the first line after the mark for the header and
    // refuses a file whose first line is anything else.
    if (m_wide && !WriteRawText(L"\xFEFF")) return 0;
    if (m_keepFromImport && !WriteRawText(kNotForImportLine)) return 0;
    return m_wide ? WriteRawText(L"Windows Registry Editor Version 5.00\r\n\r\n") : WriteRawText("REGEDIT4\r\n\r\n");
}

int CReportWriter::WriteHeader(const ReportHeaderInfo& header) {
    char line[520];
    if (!WriteFirstLines()) return 0;
    std::snprintf(line, sizeof line, ";    Created by %s v%s from computer: %s\r\n", kProgramName,
                  kVersionText, m_hostName);
    if (!WriteRawText(line)) return 0;
    // The long date form of the C library's default locale, spelled out so
    // that it does not depend on the run-time's reading of "%#c".
    std::strftime(m_timeText, sizeof m_timeText, "%A, %B %d, %Y %H:%M:%S", &m_createTm);
    std::snprintf(line, sizeof line, ";    on %s\r\n", m_timeText);
    if (!WriteRawText(line)) return 0;
    if (*header.note && !(m_wide ? WriteRawText(header.note) : WriteRawText(mbcs::FromWide(header.note).c_str())))
        return 0;
    if (!WriteRawText("\r\n")) return 0;
    std::snprintf(line, sizeof line,
                  ";    Options: Keys - [%s], Values - [%s], Data - [%s], Whole strings only - [%s], "
                  "Case sensitive - [%s].\r\n",
                  OnOffText(header.lookAtKeys), OnOffText(header.lookAtValues), OnOffText(header.lookAtData),
                  OnOffText(header.wholeString), OnOffText(header.matchCase));
    if (!WriteRawText(line)) return 0;
    if (m_wide)
        return WriteRawText(";    for expression: ") && WriteRawText(header.searchTextWide) &&
               WriteRawText("\r\n\r\n");
    std::snprintf(line, sizeof line, ";    for expression: %s\r\n\r\n", header.searchText);
    return WriteRawText(line);
}

int CReportWriter::WriteCommentLine(const char* text) {
    return WriteRawText("; ") && WriteRawText(text) && WriteRawText("\r\n");
}

void CReportWriter::Begin(bool wide) {
    Close();
    m_fileName[0] = '\0';
    m_wide = wide;
}

void CReportWriter::Close() {
    m_fileData.Close();
}

void CReportWriter::Finish(bool stopped, bool foundNothing) {
    if (stopped && m_fileData.IsOpen()) WriteRawText(kInterruptionNote);
    Close();
    if (!foundNothing) return;
    if (m_fileName[0] && ::GetFileAttributesA(m_fileName) != INVALID_FILE_ATTRIBUTES &&
        !::DeleteFileA(m_fileName))
        return;
    m_fileName[0] = '\0';
}
