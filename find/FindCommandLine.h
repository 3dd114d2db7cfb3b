#pragma once
// The command line of kestrin-find: [/K] [/V] [/N] [/D] [/W] [/C] [/J] [/U]
// [/R] [/T FROM[..TO]] [/S KEY]... [/H[:KEY] FILE]... TEXT, switches in any
// case and order, "/?" for help.
#include <cstdint>
#include <string>
#include <vector>

#include "find/TimeRange.h"

struct FindCommandLine {
    int keys = 0;
    int values = 0;
    int wholeString = 0;
    int matchCase = 0;
    int names = 0;      // /N: value names
    int typedData = 0;  // /D: data of REG_MULTI_SZ, REG_DWORD and REG_QWORD values
    bool json = false;  // /J: JSON Lines on standard output
    bool unicode = false;  // /U: the wide walk
    bool regex = false;    // /R: TEXT is a regular expression
    bool timeFiltered = false;  // /T: only keys last written in modified
    TimeRange modified;
    std::vector<std::string> startKeys;  // /S, as given, in the ANSI code page
    std::vector<std::wstring> wideStartKeys;  // the same in UTF-16
    // /H FILE and /H:KEY FILE, in the order given; key is empty for /H.
    struct HiveSwitch {
        std::wstring key;
        std::wstring file;
    };
    std::vector<HiveSwitch> hives;
    bool help = false;
    std::string text;       // cut to 259 bytes, never inside a double-byte character
    std::wstring wideText;  // cut to 259 characters, never inside a surrogate pair
    std::string error;  // non-empty when the command line is not usable
};

// The program's arguments after its own name, split once from the wide
// command line by the platform's rules (CommandLineToArgvW).
std::vector<std::wstring> SplitCommandLine(const wchar_t* commandLine);

// Parses the arguments; now (FILETIME ticks, UTC) anchors the ages of /T.
// The narrow forms are the wide ones in the ANSI code page, best fit for
// what it lacks, as the C run-time would make them. On a usage error, error
// says what is wrong and the other fields are unspecified.
FindCommandLine ParseFindCommandLine(const std::vector<std::wstring>& arguments, uint64_t now);

extern const char kFindUsage[];
