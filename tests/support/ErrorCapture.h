#pragma once
// Catches what ReportError would show in a message box, so that a test sees
// the text and never waits for a box that nobody closes.
#include <string>
#include <vector>

#include "errors/ReportError.h"

namespace testsupport {

class ErrorCapture {
public:
    ErrorCapture() {
        Messages().clear();
        m_previous = SetErrorPresenter(&Record);
    }
    ~ErrorCapture() { SetErrorPresenter(m_previous); }
    ErrorCapture(const ErrorCapture&) = delete;
    ErrorCapture& operator=(const ErrorCapture&) = delete;

    // Every message shown since the capture began, in order.
    const std::vector<std::string>& messages() const { return Messages(); }

private:
    static std::vector<std::string>& Messages() {
        static std::vector<std::string> messages;
        return messages;
    }
    static void Record(const char* message) { Messages().push_back(message); }

    ErrorPresenter m_previous;
};

}  // namespace testsupport
