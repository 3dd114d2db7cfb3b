// What the dialog tests point a file type's or protocol's shell command at:
// it notes how the shell started it and ends. It is a GUI-subsystem program
// on purpose: a console program started by the shell from Kestrin.exe (which
// has no console) gets a console window of its own under Wine, and that
// window may outlive it on top of the next test's windows.
#include <windows.h>

#include <cstdlib>
#include <fstream>

// Appends the show command and the argument to the file that the variable
// KESTRIN_SHELL_RECORD names, one "show=N arg=[...]" line per start.
int main(int argc, char** argv) {
    const char* file = std::getenv("KESTRIN_SHELL_RECORD");
    if (!file) return 2;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    ::GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    std::ofstream(file, std::ios::app | std::ios::binary)
        << "show=" << show << " arg=[" << (argc >= 2 ? argv[1] : "") << "]\n";
    return 0;
}
