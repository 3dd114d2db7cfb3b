#pragma once
// Registry state that the dialog tests set up in the Wine prefix and take
// down again: a key to find, and file-type and protocol commands replaced for
// the duration of one test.
#include <windows.h>
#include <string>

#include "support/RegistryTestKey.h"

namespace ui {

using testsupport::RegistryTestKey;

// A text that occurs nowhere in the registry until a test puts it there
// (the key of a RegistryTestKey never holds one in its own name).
std::string UniqueToken();

// Gives HKLM\Software\Classes\<key>\shell\<verb>\command the default value
// command (or, with an empty command, removes the whole verb) and restores
// what was there on destruction.
class ShellVerbOverride {
public:
    ShellVerbOverride(const std::string& key, const std::string& verb, const std::string& command);
    ~ShellVerbOverride();
    ShellVerbOverride(const ShellVerbOverride&) = delete;
    ShellVerbOverride& operator=(const ShellVerbOverride&) = delete;

    bool Applied() const { return m_applied; }

private:
    std::string m_verbPath;
    bool m_hadCommand = false;
    std::string m_oldCommand;
    bool m_applied = false;
};

// A shell command that starts the shell recorder (ShellRecorder.cpp) on the
// verb's argument. Each start appends a line to the file record; the path
// goes to the recorder through the environment, so it reaches only the
// Kestrin.exe copies started after this call.
std::string ShellRecorderCommand(const std::string& record);

// The verb's command as the prefix has it now; empty when there is none.
std::string ShellVerbCommand(const std::string& key, const std::string& verb);

}  // namespace ui
