// The error message: the platform's sentence for the code, the breakdown of
// the code's bit fields and the context, handed to the presenter once per
// call.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "errors/ReportError.h"
#include "support/ErrorCapture.h"

using namespace testsupport;

namespace {

// The platform's own text for code, as FormatMessage gives it; may be empty.
std::string PlatformText(DWORD code) {
    char* text = nullptr;
    ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = text ? text : "";
    if (text) ::LocalFree(text);
    return result;
}

TEST(FormatErrorMessage, FileNotFoundGivesThePlatformSentenceThenTheBreakdownThenTheContext) {
    const std::string sentence = PlatformText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(sentence.empty());
    EXPECT_EQ("\r\n", sentence.substr(sentence.size() - 2));
    EXPECT_EQ(sentence + "Facility = 0, Severity = 0, Scode = 2\n in CRegKeyTools::CreateFile [GetCurrentDirectory()]",
              FormatErrorMessage(2, " in CRegKeyTools::CreateFile [GetCurrentDirectory()]"));
}

TEST(FormatErrorMessage, BreakdownTakesFacilitySeverityAndScodeFromTheirBits) {
    const int32_t severe = static_cast<int32_t>(0x80000000u | (7u << 16) | 14u);
    EXPECT_EQ(PlatformText(static_cast<DWORD>(severe)) + "Facility = 7, Severity = 1, Scode = 14\nctx",
              FormatErrorMessage(severe, "ctx"));
    // Bits 29 and 30 lie outside the facility's 13 bits.
    const int32_t reserved = static_cast<int32_t>(0x60000000u | (3u << 16) | 9u);
    EXPECT_EQ(PlatformText(static_cast<DWORD>(reserved)) + "Facility = 3, Severity = 0, Scode = 9\nctx",
              FormatErrorMessage(reserved, "ctx"));
}

TEST(FormatErrorMessage, AllBitsSetGiveTheLongestBreakdown) {
    const std::string breakdown = "Facility = 8191, Severity = 1, Scode = 65535\n";
    EXPECT_EQ(45u, breakdown.size());
    EXPECT_EQ(PlatformText(0xFFFFFFFFu) + breakdown + "Out of memory", FormatErrorMessage(-1, "Out of memory"));
}

TEST(FormatErrorMessage, LongContextIsKeptWhole) {
    const std::string context = " for file C:\\" + std::string(600, 'd') + "\\Kestrin MYPC 20090815 140221.reg";
    const std::string message = FormatErrorMessage(ERROR_ACCESS_DENIED, context.c_str());
    ASSERT_GT(message.size(), context.size());
    EXPECT_EQ(context, message.substr(message.size() - context.size()));
    EXPECT_EQ(PlatformText(ERROR_ACCESS_DENIED) + "Facility = 0, Severity = 0, Scode = 5\n" + context, message);
}

TEST(FormatErrorMessage, EmptyContextEndsWithTheBreakdownsLineFeed) {
    EXPECT_EQ(PlatformText(ERROR_ACCESS_DENIED) + "Facility = 0, Severity = 0, Scode = 5\n",
              FormatErrorMessage(ERROR_ACCESS_DENIED, ""));
}

TEST(ReportError, EachCallReachesThePresenterOnceWithTheWholeMessage) {
    ErrorCapture capture;
    ReportError(ERROR_ACCESS_DENIED, " in CRegKeyTools::CreateFile [m_fileData.Open()]");
    ReportError(-1, "");
    std::thread worker([] { ReportError(ERROR_FILE_NOT_FOUND, "CRegKeyTools::ReadSettings() in GetModuleFileName"); });
    worker.join();

    ASSERT_EQ(3u, capture.messages().size());
    EXPECT_EQ(FormatErrorMessage(ERROR_ACCESS_DENIED, " in CRegKeyTools::CreateFile [m_fileData.Open()]"),
              capture.messages()[0]);
    EXPECT_EQ(FormatErrorMessage(-1, ""), capture.messages()[1]);
    EXPECT_EQ(FormatErrorMessage(ERROR_FILE_NOT_FOUND, "CRegKeyTools::ReadSettings() in GetModuleFileName"),
              capture.messages()[2]);
}

}  // namespace
