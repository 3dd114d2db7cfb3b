#pragma once
// What every benchmark mode shares: a clock, medians, the scratch folder
// that runs write their reports into, and the settings file of a run.
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

// The folder of the running executable, with no trailing "\".
std::string ExecutableFolder();

// The modes besides the in-process search. Each prints its figures and
// returns the process exit code.
int RunProcessBench(int pairs);
int RunRegexBench(int pairs);
int RunExcludeBench(int rounds);
int BuildSyntheticRegistry(long keys);

}  // namespace bench
