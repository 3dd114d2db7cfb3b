#include "find/FindCommandLine.h"

#include "base/Mbcs.h"

const char kFindUsage[] =
    "Usage: kestrin-find [/K] [/V] [/N] [/D] [/W] [/C] [/J] [/S KEY]... [/H[:KEY] FILE]... TEXT\n"
    "       kestrin-find /U [the same switches] TEXT\n"
    "Searches the registry for TEXT and writes every hit to a report in the\n"
    "current directory; prints the report's path when one was written.\n"
    "  /K      look at key names\n"
    "  /V      look at the data of string values (REG_SZ, REG_EXPAND_SZ)\n"
    "  /N      look at value names\n"
    "  /D      look at the data of REG_MULTI_SZ values (each string) and of\n"
    "          REG_DWORD and REG_QWORD values (TEXT read as a decimal number,\n"
    "          or a hexadecimal one after 0x; /W and /C do not apply)\n"
    "  /W      match whole strings only\n"
    "  /C      match case sensitive\n"
    "  /S KEY  search only below KEY, e.g. HKCU\\Software; may be repeated.\n"
    "          Roots: HKCR, HKCU, HKLM, HKU or their long names\n"
    "  /J      write each hit as a line of JSON (UTF-8) to standard output,\n"
    "          then a summary line; the report is written as well\n"
    "  /H FILE search the hive file FILE instead of the registry, read-only;\n"
    "          may be repeated. Its root key stands at HKLM\\<FILE's name>, or at\n"
    "          KEY with /H:KEY FILE (e.g. /H:HKU\\S-1-5-21-1-1001 NTUSER.DAT);\n"
    "          /S keys must then lie inside the hives. A dirty hive is first\n"
    "          replayed in memory from its logs beside it (FILE.LOG1, FILE.LOG2,\n"
    "          FILE.LOG)\n"
    "  /U      Unicode: read the registry and TEXT in UTF-16, so that names and\n"
    "          data outside the ANSI code page are found exactly; letters are\n"
    "          compared by ordinal case folding; the report is written in\n"
    "          UTF-16LE (\"Windows Registry Editor Version 5.00\") and so is\n"
    "          ExcludeKeys.txt; /S keys are read in UTF-16 too\n"
    "At least one of /K, /V, /N and /D is required. Ctrl+C stops the search.\n"
    "Exit codes: 0 done, 1 stopped, 2 some keys could not be read (or a hive\n"
    "is damaged), 3 the report could not be written, 64 usage error (also for\n"
    "a start key that does not exist or cannot be opened), 65 a /H file is not\n"
    "a usable hive, 66 a /H file cannot be opened; with several, the first of\n"
    "3, 1, 66, 65, 2 applies.\n"
    "Examples:\n"
    "  kestrin-find /K /V /W Explorer\n"
    "  kestrin-find /N /C /S HKCU\\Software ProxyServer\n"
    "  kestrin-find /D /S HKLM\\SYSTEM /S HKCU 0x2a\n"
    "  kestrin-find /V /J /S HKCR notepad > hits.jsonl\n"
    "  kestrin-find /U /K /V zebra\n"
    "  kestrin-find /V /H D:\\Windows\\System32\\config\\SOFTWARE.copy Explorer\n";

namespace {

// Sets the flag that a two-character switch names; false for an unknown one.
bool ApplySwitch(char letter, FindCommandLine& line) {
    switch (letter) {
    case 'k': case 'K': line.keys = 1; return true;
    case 'v': case 'V': line.values = 1; return true;
    case 'w': case 'W': line.wholeString = 1; return true;
    case 'c': case 'C': line.matchCase = 1; return true;
    case 'n': case 'N': line.names = 1; return true;
    case 'd': case 'D': line.typedData = 1; return true;
    case 'j': case 'J': line.json = true; return true;
    case 'u': case 'U': line.unicode = true; return true;
    case '?': line.help = true; return true;
    default: return false;
    }
}

}  // namespace

FindCommandLine ParseFindCommandLine(int argc, const char* const* argv) {
    FindCommandLine line;
    bool haveText = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.size() == 2 && arg[0] == '/' && (arg[1] == 's' || arg[1] == 'S')) {
            if (++i == argc) {
                line.error = "/S needs a key";
                return line;
            }
            line.startKeys.emplace_back(argv[i]);
            line.startKeyIndices.push_back(i);
            continue;
        }
        if (arg.size() >= 2 && arg[0] == '/' && (arg[1] == 'h' || arg[1] == 'H') && (arg.size() == 2 || arg[2] == ':')) {
            if (++i == argc) {
                line.error = arg + " needs a hive file";
                return line;
            }
            line.hives.push_back({i - 1, i});
            continue;
        }
        if (arg.size() == 2 && arg[0] == '/') {
            if (!ApplySwitch(arg[1], line)) {
                line.error = "unknown switch " + arg;
                return line;
            }
            continue;
        }
        if (haveText) {
            line.error = "more than one TEXT (quote a text that holds blanks)";
            return line;
        }
        char cut[260];
        mbcs::CopyBounded(cut, sizeof cut, arg.c_str());
        line.text = cut;
        line.textIndex = i;
        haveText = true;
    }
    if (line.help) return line;
    if (!haveText || line.text.empty())
        line.error = "no TEXT to search for";
    else if (!line.keys && !line.values && !line.names && !line.typedData)
        line.error = "say where to look: /K, /V, /N or /D";
    return line;
}

bool TakeWideArguments(FindCommandLine& line, int wideArgc, const wchar_t* const* wideArgv, std::wstring* text,
                       std::vector<std::wstring>* startKeys) {
    if (!wideArgv || line.textIndex <= 0 || line.textIndex >= wideArgc) {
        line.error = "cannot read the wide command line";
        return false;
    }
    for (const FindCommandLine::HiveSwitch& hive : line.hives) {
        if (hive.fileIndex >= wideArgc) {
            line.error = "cannot read the wide command line";
            return false;
        }
    }
    startKeys->clear();
    for (int index : line.startKeyIndices) startKeys->emplace_back(wideArgv[index]);
    text->assign(wideArgv[line.textIndex]);
    if (text->size() > 259) text->resize((*text)[258] >= 0xD800 && (*text)[258] < 0xDC00 ? 258 : 259);
    return true;
}
