#pragma once
// The platform's own sentence for an error code, as the error box takes it.
#include <windows.h>
#include <string>

namespace testsupport {

// FormatMessage's text for code (ending in CR LF); empty when it has none.
inline std::string SystemText(DWORD code) {
    char* text = nullptr;
    ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = text ? text : "";
    if (text) ::LocalFree(text);
    return result;
}

}  // namespace testsupport
