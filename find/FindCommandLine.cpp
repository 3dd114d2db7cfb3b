#include "find/FindCommandLine.h"

#include "base/Mbcs.h"

const char kFindUsage[] =
    "Usage: kestrin-find [/K] [/V] [/W] [/C] TEXT\n"
    "Searches the registry for TEXT and writes every hit to a report in the\n"
    "current directory; prints the report's path when one was written.\n"
    "  /K  look at key names\n"
    "  /V  look at the data of string values\n"
    "  /W  match whole strings only\n"
    "  /C  match case sensitive\n"
    "At least one of /K and /V is required. Ctrl+C stops the search.\n"
    "Exit codes: 0 done, 1 stopped, 2 some keys could not be read,\n"
    "3 the report could not be written, 64 usage error.\n";

namespace {

// Sets the flag that a two-character switch names; false for an unknown one.
bool ApplySwitch(char letter, FindCommandLine& line) {
    switch (letter) {
    case 'k': case 'K': line.keys = 1; return true;
    case 'v': case 'V': line.values = 1; return true;
    case 'w': case 'W': line.wholeString = 1; return true;
    case 'c': case 'C': line.matchCase = 1; return true;
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
        haveText = true;
    }
    if (line.help) return line;
    if (!haveText || line.text.empty())
        line.error = "no TEXT to search for";
    else if (!line.keys && !line.values)
        line.error = "say where to look: /K, /V or both";
    return line;
}
