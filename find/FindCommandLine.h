#pragma once
// The command line of kestrin-find: [/K] [/V] [/W] [/C] TEXT, switches in any
// case and order, "/?" for help.
#include <string>

struct FindCommandLine {
    int keys = 0;
    int values = 0;
    int wholeString = 0;
    int matchCase = 0;
    bool help = false;
    std::string text;   // cut to 259 bytes, never inside a double-byte character
    std::string error;  // non-empty when the command line is not usable
};

// Parses argv[1..argc-1]. On a usage error, error says what is wrong and the
// other fields are unspecified.
FindCommandLine ParseFindCommandLine(int argc, const char* const* argv);

extern const char kFindUsage[];
