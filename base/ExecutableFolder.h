#pragma once
// Where the running executable lies: the programs find Kestrin.ini and each
// other there.
#include <string>

// The folder of the running executable, in the ANSI code page, without a
// trailing "\"; empty when the platform cannot give the executable's path
// whole (it cuts a path longer than MAX_PATH instead of failing).
std::string ExecutableFolder();
