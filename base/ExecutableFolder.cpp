#include "base/ExecutableFolder.h"

#include <windows.h>

std::string ExecutableFolder() {
    char path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return std::string();
    const std::string text(path, length);
    return text.substr(0, text.find_last_of('\\'));
}
