#pragma once
// The command line of kestrin-find: [/K] [/V] [/N] [/D] [/W] [/C] [/J]
// [/S KEY]... [/H[:KEY] FILE]... [/U] TEXT, switches in any case and order,
// "/?" for help.
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
    bool unicode = false;  // /U: the wide walk, TEXT from the wide command line
    int textIndex = 0;     // TEXT's index in argv
    std::vector<int> startKeyIndices;  // each /S key's index in argv
    std::vector<std::string> startKeys;  // /S, as given
    // /H FILE and /H:KEY FILE: the indices in argv of the switch and of
    // FILE; both are read again from the wide command line.
    struct HiveSwitch {
        int switchIndex;
        int fileIndex;
    };
    std::vector<HiveSwitch> hives;
    bool help = false;
    std::string text;   // cut to 259 bytes, never inside a double-byte character
    std::string error;  // non-empty when the command line is not usable
};

// Parses argv[1..argc-1]. On a usage error, error says what is wrong and the
// other fields are unspecified.
FindCommandLine ParseFindCommandLine(int argc, const char* const* argv);

extern const char kFindUsage[];

// TEXT and the /S keys as the wide command line holds them: TEXT cut to
// 259 characters, never inside a surrogate pair. False, with line.error
// set, when the wide command line does not have the same arguments.
bool TakeWideArguments(FindCommandLine& line, int wideArgc, const wchar_t* const* wideArgv, std::wstring* text,
                       std::vector<std::wstring>* startKeys);
