// The error message: the platform's sentence for the code, the breakdown of
// the code's bit fields and the context, handed to the presenter once per
// call.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "errors/ReportError.h"
#include "support/ErrorCapture.h"
#include "support/SystemText.h"

using namespace testsupport;

namespace {

TEST(FormatErrorMessage, FileNotFoundGivesThePlatformSentenceThenTheBreakdownThenTheContext) {
    const std::string sentence = SystemText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(sentence.empty());
    EXPECT_EQ("\r\n", sentence.substr(sentence.size() - 2));
    EXPECT_EQ(sentence + "Facility = 0, Severity = 0, Scode = 2\n in CRegKeyTools::CreateFile [GetCurrentDirectory()]",
              FormatErrorMessage(2, " in CRegKeyTools::CreateFile [GetCurrentDirectory()]"));
}

TEST(FormatErrorMessage, BreakdownTakesFacilitySeverityAndScodeFromTheirBits) {
    const int32_t severe = static_cast<int32_t>(0x80000000u | (7u << 16) | 14u);
    EXPECT_EQ(SystemText(static_cast<DWORD>(severe)) + "Facility = 7, Severity = 1, Scode = 14\nctx",
              FormatErrorMessage(severe, "ctx"));
    // Bits 29 and 30 lie outside the facility's 13 bits.
    const int32_t reserved = static_cast<int32_t>(0x60000000u | (3u << 16) | 9u);
    EXPECT_EQ(SystemText(static_cast<DWORD>(reserved)) + "Facility = 3, Severity = 0, Scode = 9\nctx",
              FormatErrorMessage(reserved, "ctx"));
}

// The longest breakdown a code can give, 45 characters: none of it may be
// lost to the formatting buffer, and the context follows it whole.
TEST(FormatErrorMessage, AllBitsSetGiveTheLongestBreakdownWhole) {
    const std::string message = FormatErrorMessage(-1, "Out of memory");
    const std::string system = SystemText(0xFFFFFFFFu);
    ASSERT_EQ(0u, message.find(system)) << message;
    EXPECT_EQ("Facility = 8191, Severity = 1, Scode = 65535\nOut of memory", message.substr(system.size()));
}

TEST(FormatErrorMessage, LongContextIsKeptWhole) {
    const std::string context = " for file C:\\" + std::string(600, 'd') + "\\Kestrin MYPC 20090815 140221.reg";
    const std::string message = FormatErrorMessage(ERROR_ACCESS_DENIED, context.c_str());
    ASSERT_GT(message.size(), context.size());
    EXPECT_EQ(context, message.substr(message.size() - context.size()));
    EXPECT_EQ(SystemText(ERROR_ACCESS_DENIED) + "Facility = 0, Severity = 0, Scode = 5\n" + context, message);
}

TEST(FormatErrorMessage, EmptyContextEndsWithTheBreakdownsLineFeed) {
    EXPECT_EQ(SystemText(ERROR_ACCESS_DENIED) + "Facility = 0, Severity = 0, Scode = 5\n",
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
