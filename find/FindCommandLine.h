#pragma once
// The command line of kestrin-find: [/K] [/V] [/N] [/D] [/W] [/C] [/J]
// [/S KEY]... TEXT, switches in any case and order, "/?" for help.
#include <string>
#include <vector>

struct FindCommandLine {
    int keys = 0;
    int values = 0;
    int wholeString = 0;
    int matchCase = 0;
    int names = 0;      // /N: value names
    int typedData = 0;  // /D: data of REG_MULTI_SZ, REG_DWORD and REG_QWORD values
    bool json = false;  // /J: JSON Lines on standard output
    std::vector<std::string> startKeys;  // /S, as given
    bool help = false;
    std::string text;   // cut to 259 bytes, never inside a double-byte character
    std::string error;  // non-empty when the command line is not usable
};

// Parses argv[1..argc-1]. On a usage error, error says what is wrong and the
// other fields are unspecified.
FindCommandLine ParseFindCommandLine(int argc, const char* const* argv);

extern const char kFindUsage[];
