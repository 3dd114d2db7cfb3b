#pragma once
// The report of one run: its name in the current directory (or where it is
// told to go), its creation without ever replacing a file, the header block,
// key and value lines in the export syntax of each type, the interruption
// note and the removal of a report that holds no hit. Narrow reports are
// written in the ANSI code page; a wide one (kestrin-find /U) in UTF-16LE
// with a byte-order mark. The writer knows nothing of the search: the engine
// hands it what the header shows and the key path of each line.
#include <windows.h>
#include <cstdint>
#include <ctime>
#include <string>
#include "base/FileData.h"

// What the header block shows of a run.
struct ReportHeaderInfo {
    int32_t lookAtKeys;
    int32_t lookAtValues;
    int32_t lookAtData;
    int32_t wholeString;
    int32_t matchCase;
    const char* searchText;         // shown in a narrow report
    const wchar_t* searchTextWide;  // shown in a wide report
    // Whole lines (";    ...\r\n") shown after the date, in a narrow
    // report in the ANSI code page; empty for none.
    const wchar_t* note = L"";
};

class CReportWriter {
public:
    // Starts a run: closes any report, forgets its name and chooses the
    // width of the next one.
    void Begin(bool wide);
    bool IsWide() const { return m_wide; }
    // A report told to go nowhere counts as open all along.
    int IsOpen() const { return m_nowhere || m_fileData.IsOpen(); }

    // Where the reports of later runs go, for kestrin-find's /F: an empty
    // place is the current directory; an existing folder gets the report
    // under its usual name; anything else is the report's own file name,
    // which takes " (2)", " (3)", ... before its extension when taken.
    void PlaceAt(const std::string& place) { m_place = place; }
    // No report at all: every piece is taken and dropped, and no file is named.
    void WriteNowhere() { m_nowhere = true; }
    // Reports start with a comment line before the editor's header line, so
    // that a registry editor refuses them as no registry script: a report of
    // hive files names the keys of the running Windows, and a double-click
    // would merge the evidence into it. Deleting the line allows the import.
    void KeepFromImport() { m_keepFromImport = true; }

    // Copies the computer's name (first letter upper-cased) into buffer.
    // *size: capacity in, length out. 1 when a non-empty name was copied.
    int GetLocalHostName(char* buffer, uint32_t* size);
    // Names and opens the report; failures reach the user through
    // ReportError. FileName() holds the attempted path afterwards. windows.h
    // turns the name into CreateFileA here and in every caller alike, since
    // this header includes it first.
    int CreateFile();
    // Writes the header block into the report that CreateFile opened.
    int WriteHeader(const ReportHeaderInfo& header);

    // The pieces below write into the open report (0 when none is open or
    // nothing was written); a wide report gets UTF-16LE.
    int WriteRawText(const char* text);
    int WriteRawText(const wchar_t* text);
    // "; text" and the line end.
    int WriteCommentLine(const char* text);
    // The key line of a path of `length` characters. No line holds a raw
    // NUL: a path whose names hold one gets a comment line first and shows
    // each NUL as \\0, which no real path holds (names are never empty).
    template <typename Char>
    int WriteKeyLine(const Char* path, size_t length);
    // A value's name between quotes, or "@" for the default value (length
    // 0). A name is written raw, but one holding a NUL gets a comment line
    // first and is escaped: \0 for a NUL, \\ for a backslash.
    template <typename Char>
    int WriteValueName(const Char* name, uint32_t length);
    // name=data and the line end; dataSize is in bytes.
    template <typename Char>
    int WriteValueLine(const Char* name, uint32_t nameLength, DWORD type, const Char* data, DWORD dataSize);

    // Closes the report if open.
    void Close();
    // Ends a run: the interruption note when stopped, then closes the
    // report, and removes it again when the run found nothing.
    void Finish(bool stopped, bool foundNothing);
    const char* FileName() const { return m_fileName; }

private:
    template <typename Char>
    int WriteValueData(DWORD type, const Char* data, DWORD dataSize);
    int WriteHexBytes(const BYTE* bytes, DWORD count);
    // The byte-order mark of a wide report, the line that keeps it from
    // import if asked, and the editor's header line.
    int WriteFirstLines();
    // The report's path without its " (N)" suffix, and what follows the
    // suffix; false after a failure, which has been reported.
    bool NameParts(const char* host, std::string* stem, std::string* tail);

    bool m_wide = false;
    bool m_nowhere = false;
    bool m_keepFromImport = false;
    std::string m_place;
    char m_fileName[260] = {};
    std::tm m_createTm = {};
    char m_timeText[120] = {};
    char m_hostName[256] = {};
    CFileData m_fileData;
};
