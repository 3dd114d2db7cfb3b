#pragma once
// What every benchmark mode shares: a clock, medians, the scratch folder
// that runs write their reports into, and the settings file of a run.
#include <windows.h>
#include <string>
#include <vector>

namespace bench {

// Seconds on the performance counter.
double Seconds();

// The calling thread's own CPU time, kernel and user, in seconds.
double ThreadCpuSeconds();

// The middle sample (the upper one of an even count). samples must not be empty.
double Median(std::vector<double> samples);

// %TEMP%\kestrin-bench, created if missing, made the current directory.
std::string MakeScratchFolder();

// Writes a settings file whose exclusion section holds these lines.
bool WriteSettings(const std::string& path, const std::vector<std::string>& excluded);

// Deletes the reports that runs left in folder.
void DeleteReports(const std::string& folder);

struct ProcessTime {
    double seconds = 0;  // wall clock from CreateProcess to its end
    double cpu = 0;      // user and kernel time of the child
    unsigned long exitCode = 0;
};

// Runs commandLine with application in folder, its standard streams on NUL
// (not a console, as in a script that logs) or standard error into
// errorFile when one is named, and times it to its end.
ProcessTime TimeProcess(const std::string& application, std::string commandLine, const std::string& folder,
                        const std::string& errorFile = std::string());

struct Command {
    std::string application;
    std::string line;
    std::string errorFile = std::string();  // standard error's file; NUL when empty
};

// Times pairs of a measured command and its baseline, the order
// alternating, and prints the medians and their ratios.
void ComparePairs(const Command& measured, const Command& baseline, const std::string& folder, int pairs);

// Copies kestrin-find.exe into folder beside an empty exclusion list;
// its path there, or "" when that fails.
std::string CopyFindInto(const std::string& folder);

// Sets a string value (REG_SZ, REG_EXPAND_SZ) with its terminator.
bool SetStringValue(HKEY key, const char* name, DWORD type, const std::string& data);

// Creates parent\Component NNNNNN with a "Description" that names it
// ("Microsoft" in every eighth, as real registries hold it often); the key
// open for writing, or null when that fails.
HKEY MakeComponentKey(HKEY parent, long number);

// 401 keys under HKEY_CURRENT_USER, 110 of them with a value on which
// "(x+x+)+y" backtracks without end (bench/RegexTrapTree.cpp); the /S path
// of the tree, or "" when it cannot be made. Remove takes it away again.
std::string MakeRegexTrapTree();
void RemoveRegexTrapTree();

// The modes besides the in-process search. Each prints its figures and
// returns the process exit code.
int RunProcessBench(int pairs);
int RunRegexBench(int pairs);
int RunExcludeBench(int rounds);
int BuildSyntheticRegistry(long keys);
int RunReplayBench(const std::string& clean, const std::string& dirty, int pairs);

}  // namespace bench
