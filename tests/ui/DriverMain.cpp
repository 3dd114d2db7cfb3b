// The dialog tests' program. Started with --record-shell by the shell (the
// tests point a protocol's command at it), it only notes how it was started
// and ends; otherwise it runs the tests.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// Appends the show command and the argument to the file that the variable
// KESTRIN_SHELL_RECORD names, one "show=N arg=[...]" line per start.
int RecordShellStart(const char* argument) {
    const char* file = std::getenv("KESTRIN_SHELL_RECORD");
    if (!file) return 2;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    ::GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    std::ofstream(file, std::ios::app | std::ios::binary) << "show=" << show << " arg=[" << argument << "]\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "--record-shell") return RecordShellStart(argc >= 3 ? argv[2] : "");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
