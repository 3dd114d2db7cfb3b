#include "find/FindCommandLine.h"

#include <windows.h>
#include <shellapi.h>
#include <cwchar>

#include "base/Handles.h"
#include "base/Mbcs.h"
#include "find/ExitCodes.h"
#include "find/TimeRange.h"

const char kFindUsage[] =
    "Usage: kestrin-find [/K] [/V] [/N] [/D] [/B] [/W] [/C] [/J] [/R] [/T FROM[..TO]]\n"
    "                    [/S KEY]... [/O ROOT] [/H[:KEY] FILE]... [/X] [/A] [/L]\n"
    "                    [/F PATH] TEXT\n"
    "       kestrin-find /U [the same switches] TEXT\n"
    "Searches the registry for TEXT and writes every hit to a report in the\n"
    "current directory (or as /F says); prints the report's path when one was\n"
    "written.\n"
    "  /K      look at key names\n"
    "  /V      look at the data of string values (REG_SZ, REG_EXPAND_SZ)\n"
    "  /N      look at value names\n"
    "  /D      look at the data of REG_MULTI_SZ values (each string) and of\n"
    "          REG_DWORD and REG_QWORD values (TEXT read as a decimal number,\n"
    "          or a hexadecimal one after 0x; /W and /C do not apply)\n"
    "  /B      look for TEXT inside the data of every type that is neither a\n"
    "          string nor a number (REG_BINARY, REG_NONE, ...): as UTF-16LE at\n"
    "          either byte alignment and as ANSI code-page bytes; with /W the\n"
    "          whole data (but for a terminating NUL) must be TEXT\n"
    "  /W      match whole strings only\n"
    "  /C      match case sensitive\n"
    "  /R      TEXT is a regular expression (Perl syntax), searched for\n"
    "          anywhere in a name or data (with /W: the whole of it); \"\"\n"
    "          matches everything; /D numbers are matched as decimal text\n"
    "  /T FROM[..TO]  match only keys last written from FROM to TO\n"
    "          (inclusive; either end may be left out, FROM alone runs up to\n"
    "          now; the range used is told on standard error): YYYY-MM-DD,\n"
    "          YYYY-MM-DDThh:mm[:ss] in UTC, or an age such as 30m, 12h, 7d\n"
    "  /S KEY  search only below KEY, e.g. HKCU\\Software; may be repeated.\n"
    "          Roots: HKCR, HKCU, HKLM, HKU or their long names\n"
    "  /J      write each hit as a line of JSON (UTF-8) to standard output,\n"
    "          then a summary line; the report is written as well\n"
    "  /F PATH where the report goes: into the folder PATH under its usual\n"
    "          name, or to the file name PATH, never overwritten (a taken name\n"
    "          gets \" (2)\", \" (3)\", ... before its extension); /F - writes\n"
    "          no report, only with /J (whose summary says \"report\": null)\n"
    "  /A      write each key that holds a hit with all its values, of any\n"
    "          type, in the registry's order; /J gives them with each hit\n"
    "  /L      follow each key line of the report with a comment that gives\n"
    "          the key's last write time (UTC); /J always gives it (\"modified\")\n"
    "  /H FILE search the hive file FILE instead of the registry, read-only;\n"
    "          may be repeated. Its root key stands at HKLM\\<FILE's name>, or at\n"
    "          KEY with /H:KEY FILE (e.g. /H:HKU\\S-1-5-21-1-1001 NTUSER.DAT);\n"
    "          /S keys must then lie inside the hives. A dirty hive is first\n"
    "          replayed in memory from its logs beside it (FILE.LOG1, FILE.LOG2,\n"
    "          FILE.LOG). With /H or /O the report names each hive file with\n"
    "          its size and SHA-256 and the command line, and a first line keeps\n"
    "          regedit from importing it (delete that line to import)\n"
    "  /O ROOT search the offline Windows whose Windows folder is in ROOT (a\n"
    "          volume root such as E:\\, or a copy of one), read-only, as it\n"
    "          showed its registry when it ran: its hives under\n"
    "          Windows\\System32\\config at HKLM and HKU\\.DEFAULT, each user's\n"
    "          NTUSER.DAT and UsrClass.dat at HKU\\<SID> and HKU\\<SID>_Classes,\n"
    "          and the links HKLM\\SYSTEM\\CurrentControlSet, HKU\\S-1-5-18 and\n"
    "          HKU\\<SID>\\Software\\Classes. Given once; /H adds more hives.\n"
    "          HKCR and HKCU do not exist offline: use HKU\\<SID>\n"
    "  /X      with /H or /O: search deleted keys and values as well, recovered\n"
    "          from the hives' free space, each marked with its file offset\n"
    "  /U      Unicode: read the registry and TEXT in UTF-16, so that names and\n"
    "          data outside the ANSI code page are found exactly; letters are\n"
    "          compared by ordinal case folding; the report is written in\n"
    "          UTF-16LE (\"Windows Registry Editor Version 5.00\") and so is\n"
    "          ExcludeKeys.txt; /S keys are read in UTF-16 too\n"
    "At least one of /K, /V, /N, /D and /B is required. Switches start with /: -K\n"
    "is refused (search for it with /R \\-K). Ctrl+C stops the search.\n"
    "Exit codes (when several apply, the first one listed):\n"
#define KESTRIN_FIND_EXIT_USAGE(name, value, worker, meaning) "  " #value "  " meaning "\n"
    KESTRIN_FIND_EXIT_CODES(KESTRIN_FIND_EXIT_USAGE)
#undef KESTRIN_FIND_EXIT_USAGE
    "Examples:\n"
    "  kestrin-find /K /V /W Explorer\n"
    "  kestrin-find /N /C /S HKCU\\Software ProxyServer\n"
    "  kestrin-find /D /S HKLM\\SYSTEM /S HKCU 0x2a\n"
    "  kestrin-find /V /J /S HKCR notepad > hits.jsonl\n"
    "  kestrin-find /U /K /V zebra\n"
    "  kestrin-find /K /R \"\" /T 1d\n"
    "  kestrin-find /V /R /W \"\\{[0-9a-f-]{36}\\}\"\n"
    "  kestrin-find /V /H D:\\Windows\\System32\\config\\SOFTWARE.copy Explorer\n"
    "  kestrin-find /K /V /O E:\\ /S HKLM\\SYSTEM\\CurrentControlSet\\Services usbstor\n";

namespace {

// Sets the flag that a two-character switch names; false for an unknown one.
// /D and /B also turn on the Data option, which the report header shows.
bool ApplySwitch(char letter, FindCommandLine& line) {
    SearchOptions& options = line.options;
    switch (letter) {
    case 'k': case 'K': options.m_lookAtKeys = 1; return true;
    case 'v': case 'V': options.m_lookAtValues = 1; return true;
    case 'w': case 'W': options.m_wholeString = 1; return true;
    case 'c': case 'C': options.m_matchCase = 1; return true;
    case 'n': case 'N': options.m_lookAtNames = true; return true;
    case 'd': case 'D': options.m_lookAtTypedData = true; options.m_lookAtData = 1; return true;
    case 'b': case 'B': options.m_lookAtBinary = true; options.m_lookAtData = 1; return true;
    case 'j': case 'J': line.json = true; return true;
    case 'u': case 'U': options.m_unicode = true; return true;
    case 'r': case 'R': line.regex = true; return true;
    case 'x': case 'X': line.deleted = true; return true;
    case 'a': case 'A': options.m_allValues = true; return true;
    case 'l': case 'L': options.m_lastWrittenLines = true; return true;
    case '?': line.help = true; return true;
    default: return false;
    }
}

// TEXT cut to what the engine's buffer holds.
std::wstring CutText(const std::wstring& text) {
    return text.substr(0, text.size() > 259 && text[258] >= 0xD800 && text[258] < 0xDC00 ? 258 : 259);
}

// Takes /T's range into the options; false, with *error, for a bad one.
bool TakeTimeRange(const std::wstring& text, uint64_t now, FindCommandLine& line) {
    TimeRange range;
    if (!ParseTimeRange(mbcs::FromWide(text), now, &range, &line.error)) return false;
    line.options.m_modifiedFrom = range.from;
    line.options.m_modifiedTo = range.to;
    return true;
}

// -K, a switch written the Linux way, would otherwise be taken for TEXT and
// end in "more than one TEXT" or a search for "-K". Only a dash and one
// known switch letter is refused, so that any other TEXT that starts with a
// dash stays searchable; -K itself is found with /R \-K.
bool LooksLikeDashSwitch(const std::wstring& arg) {
    FindCommandLine scratch;
    return arg.size() == 2 && arg[0] == L'-' && arg[1] < 0x80 &&
           (ApplySwitch(static_cast<char>(arg[1]), scratch) || std::wcschr(L"sSoOtThHfF", arg[1]));
}

// Takes arg as TEXT; false, with the error, for a second TEXT or a switch
// written with a dash.
bool TakeText(const std::wstring& arg, bool* haveText, FindCommandLine& line) {
    if (LooksLikeDashSwitch(arg)) {
        const std::string letter = mbcs::FromWide(arg.substr(1));
        line.error = "unknown switch -" + letter + ": switches start with /, as in /" + letter +
                     " (to search for the text -" + letter + ", use /R \\-" + letter + ")";
        return false;
    }
    if (*haveText) {
        line.error = "more than one TEXT (quote a text that holds blanks)";
        return false;
    }
    line.text = CutText(arg);
    *haveText = true;
    return true;
}

// Takes the argument at index into *field, for a switch given once (/F,
// /O); false, with the error, for none, an empty one or a second one.
bool TakeOnce(const std::vector<std::wstring>& arguments, size_t index, std::wstring* field, const char* missing,
              const char* twice, FindCommandLine& line) {
    if (index == arguments.size() || arguments[index].empty())
        line.error = missing;
    else if (!field->empty())
        line.error = twice;
    else
        *field = arguments[index];
    return line.error.empty();
}

// What a command line without a usage error so far still lacks, or empty.
// An empty expression matches everything; an empty plain text is a slip.
std::string MissingPart(const FindCommandLine& line, bool haveText) {
    const SearchOptions& options = line.options;
    if (!haveText || (line.text.empty() && !line.regex)) return "no TEXT to search for";
    if (!options.m_lookAtKeys && !options.m_lookAtValues && !options.m_lookAtNames && !options.m_lookAtTypedData &&
        !options.m_lookAtBinary)
        return "say where to look: /K, /V, /N, /D or /B";
    return std::string();
}

}  // namespace

std::vector<std::wstring> SplitCommandLine(const wchar_t* commandLine) {
    int count = 0;
    LPWSTR* list = ::CommandLineToArgvW(commandLine, &count);
    UniqueLocalMemory owner(list);
    std::vector<std::wstring> arguments;
    for (int i = 1; list && i < count; ++i) arguments.emplace_back(list[i]);
    return arguments;
}

FindCommandLine ParseFindCommandLine(const std::vector<std::wstring>& arguments, uint64_t now) {
    FindCommandLine line;
    line.options.m_lookAtValues = 0;  // the dialog's default; here only /V sets it
    bool haveText = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& arg = arguments[i];
        const wchar_t letter = arg.size() == 2 && arg[0] == L'/' ? static_cast<wchar_t>(arg[1] | 0x20) : 0;
        if (letter == L'f') {
            if (!TakeOnce(arguments, ++i, &line.reportPlace, "/F needs a folder, a file name or - for no report",
                          "/F is given once", line))
                return line;
            continue;
        }
        if (letter == L'o') {
            if (!TakeOnce(arguments, ++i, &line.offlineRoot, "/O needs a folder", "/O is given once", line)) return line;
            continue;
        }
        if (letter == L's' || letter == L't') {
            if (++i == arguments.size()) {
                line.error = letter == L's' ? "/S needs a key" : "/T needs a time range";
                return line;
            }
            if (letter == L's')
                line.startKeys.push_back(arguments[i]);
            else if (!TakeTimeRange(arguments[i], now, line))
                return line;
            continue;
        }
        if (arg.size() >= 2 && arg[0] == L'/' && (arg[1] | 0x20) == L'h' && (arg.size() == 2 || arg[2] == L':')) {
            if (++i == arguments.size()) {
                line.error = mbcs::FromWide(arg) + " needs a hive file";
                return line;
            }
            line.hives.push_back({arg.size() > 3 ? arg.substr(3) : std::wstring(), arguments[i]});
            continue;
        }
        if (arg.size() == 2 && arg[0] == L'/') {
            if (!ApplySwitch(arg[1] < 0x80 ? static_cast<char>(arg[1]) : 0, line)) {
                line.error = "unknown switch " + mbcs::FromWide(arg);
                return line;
            }
            continue;
        }
        if (!TakeText(arg, &haveText, line)) return line;
    }
    if (!line.help) line.error = MissingPart(line, haveText);
    // The live registry's free space cannot be read.
    if (line.error.empty() && !line.help && line.deleted && line.hives.empty() && line.offlineRoot.empty())
        line.error = "/X needs /H or /O: only hive files show their free space";
    // Without a report, the hits would be shown nowhere.
    if (line.error.empty() && !line.help && line.reportPlace == L"-" && !line.json)
        line.error = "/F - needs /J: without a report the hits are shown nowhere";
    return line;
}
