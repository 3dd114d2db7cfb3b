#pragma once
// The command line of kestrin-find: [/K] [/V] [/N] [/D] [/W] [/C] [/J] [/U]
// [/R] [/T FROM[..TO]] [/S KEY]... [/O ROOT] [/H[:KEY] FILE]... [/X] [/A] [/L] [/F PATH] TEXT,
// switches in any case and order, "/?" for help.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/SearchOptions.h"

struct FindCommandLine {
    // /K /V /N /D /W /C /U /T /A and /L; the Data option only through /D.
    SearchOptions options;
    bool json = false;     // /J: JSON Lines on standard output
    bool regex = false;    // /R: TEXT is a regular expression
    bool deleted = false;  // /X: also deleted keys and values, from hives' free space
    std::vector<std::wstring> startKeys;  // /S, as given
    // /H FILE and /H:KEY FILE, in the order given; key is empty for /H.
    struct HiveSwitch {
        std::wstring key;
        std::wstring file;
    };
    std::vector<HiveSwitch> hives;
    // /O ROOT: the folder that holds an offline Windows's Windows folder;
    // empty without /O.
    std::wstring offlineRoot;
    // /F PATH: the report's folder or file name, "-" for no report (only
    // with /J); empty without /F.
    std::wstring reportPlace;
    bool help = false;
    std::wstring text;  // cut to 259 characters, never inside a surrogate pair
    std::string error;  // non-empty when the command line is not usable
};

// The program's arguments after its own name, split once from the wide
// command line by the platform's rules (CommandLineToArgvW).
std::vector<std::wstring> SplitCommandLine(const wchar_t* commandLine);

// Parses the arguments; now (FILETIME ticks, UTC) anchors the ages of /T.
// On a usage error, error says what is wrong and the other fields are
// unspecified.
FindCommandLine ParseFindCommandLine(const std::vector<std::wstring>& arguments, uint64_t now);

extern const char kFindUsage[];
