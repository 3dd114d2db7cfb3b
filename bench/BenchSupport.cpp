#include "bench/BenchSupport.h"

#include <windows.h>
#include <algorithm>
#include <cstdio>

namespace bench {

double Seconds() {
    LARGE_INTEGER now, frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double ThreadCpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

std::string MakeScratchFolder() {
    char temp[MAX_PATH];
    ::GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "kestrin-bench";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    ::SetCurrentDirectoryA(folder.c_str());
    return folder;
}

bool WriteSettings(const std::string& path, const std::vector<std::string>& excluded) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    std::fputs("[ExcludeKeys]\r\n", file);
    for (const std::string& line : excluded) std::fprintf(file, "%s\r\n", line.c_str());
    return std::fclose(file) == 0;
}

void DeleteReports(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "\\*.reg").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do ::DeleteFileA((folder + "\\" + found.cFileName).c_str());
    while (::FindNextFileA(search, &found));
    ::FindClose(search);
}

}  // namespace bench
