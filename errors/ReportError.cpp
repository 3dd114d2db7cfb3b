#include "errors/ReportError.h"

#include <windows.h>
#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

void ShowErrorBox(const char* message) {
    ::MessageBeep(0xFFFFFFFF);
    ::MessageBoxA(nullptr, message, "Error:", MB_OK | MB_ICONERROR);
}

std::atomic<ErrorPresenter> g_presenter{&ShowErrorBox};

// LocalFree's the platform's text when it goes out of scope.
struct SystemText {
    char* text = nullptr;
    ~SystemText() { if (text) ::LocalFree(text); }
};

// The platform's text for the code as it gives it, line end included.
std::string PlatformText(int32_t code) {
    SystemText system;
    ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                     static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                     reinterpret_cast<char*>(&system.text), 0, nullptr);
    return system.text ? system.text : "";
}

}  // namespace

std::string SystemErrorText(int32_t code) {
    std::string text = PlatformText(code);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

std::string FormatErrorMessage(int32_t code, const char* context) {
    auto bits = static_cast<uint32_t>(code);
    char breakdown[52];
    std::snprintf(breakdown, sizeof breakdown, "Facility = %d, Severity = %d, Scode = %d\n",
                  static_cast<int>((bits >> 16) & 0x1FFF), static_cast<int>(bits >> 31),
                  static_cast<int>(bits & 0xFFFF));

    std::string message = PlatformText(code);
    message += breakdown;
    if (context) message += context;
    return message;
}

void ReportError(int32_t code, const char* context) {
    // Nothing may escape to a window procedure or the search thread: without
    // memory for the whole text, the context alone still reaches the user.
    try {
        std::string message = FormatErrorMessage(code, context);
        g_presenter.load()(message.c_str());
    } catch (...) {
        g_presenter.load()(context ? context : "");
    }
}

ErrorPresenter SetErrorPresenter(ErrorPresenter presenter) {
    return g_presenter.exchange(presenter ? presenter : &ShowErrorBox);
}
