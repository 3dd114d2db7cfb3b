#pragma once
// The one way a failure reaches the user: the platform's text for the code,
// a breakdown of the code's bit fields and a context naming where it failed,
// shown in a modal "Error:" box after a beep. Any thread may call it; it
// returns when the user has closed the box.
#include <cstdint>
#include <string>

void ReportError(int32_t code, const char* context);

// The message that ReportError shows: system text, breakdown, context.
std::string FormatErrorMessage(int32_t code, const char* context);

// The platform's text for the code alone, without its line end; empty when
// the platform has none.
std::string SystemErrorText(int32_t code);

// The part that beeps and shows the box. Tests swap it for a recorder; the
// previous presenter is returned. Null restores the message box.
using ErrorPresenter = void (*)(const char* message);
ErrorPresenter SetErrorPresenter(ErrorPresenter presenter);
