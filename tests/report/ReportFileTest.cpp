// The report file: its name, its header, its line ends, its exclusive use,
// a taken name, and what searches of the real registry leave behind (no file
// without hits, the note after a stop).
#include <gtest/gtest.h>
#include <winsock2.h>

#include <ctime>
#include <iomanip>
#include <locale>
#include <sstream>
#include <string>

#include "engine/SearchContext.h"
#include "support/ErrorCapture.h"
#include "support/SearchRun.h"
#include "support/TempDir.h"
#include "registry/LiveRegistry.h"

using namespace testsupport;

namespace {

constexpr char kNote[] = "\r\n; ** The process of search was interrupted by the user **";

// The computer's name as the report must spell it: first letter upper-cased.
std::string ExpectedHost() {
    WSADATA data;
    char name[256] = "";
    if (::WSAStartup(MAKEWORD(2, 2), &data) == 0) {
        ::gethostname(name, sizeof name);
        ::WSACleanup();
    }
    if (name[0] >= 'a' && name[0] <= 'z') name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return name;
}

// "<folder>\Kestrin <Host> <YYYYMMDD> <HHMMSS><suffix>.reg" for the local time t.
std::string ReportName(const std::string& folder, std::time_t t, const char* suffix = "") {
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d %H%M%S", std::localtime(&t));
    return folder + "\\Kestrin " + ExpectedHost() + " " + stamp + suffix + ".reg";
}

// Reads the time out of a report name; -1 when the name has another form.
std::time_t TimeInName(const std::string& folder, const std::string& name) {
    const std::string prefix = folder + "\\Kestrin " + ExpectedHost() + " ";
    if (name.compare(0, prefix.size(), prefix) != 0) return -1;
    std::tm tm = {};
    std::istringstream in(name.substr(prefix.size(), 15));
    in >> std::get_time(&tm, "%Y%m%d %H%M%S");
    if (in.fail()) return -1;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

class ReportFile : public ::testing::Test {
protected:
    ReportFile() : m_cwd(m_folder.path()), m_tools((m_folder / "Kestrin.ini").c_str(), LiveRegistries()) {}

    // Creates a report with its header block, as a run's first hit does.
    int Create() {
        return m_writer.CreateFile() && m_writer.WriteHeader({1, 0, 1, 0, 1, "C:\\Path \"quoted\" 100%", L""});
    }
    // A report created now that holds text below its header, closed again.
    std::string Written(const char* text) {
        EXPECT_EQ(1, Create() && m_writer.WriteRawText(text));
        m_writer.Close();
        return m_writer.FileName();
    }

    TempDir m_folder{"report"};
    CurrentDirectoryScope m_cwd;
    ErrorCapture m_errors;
    CReportWriter m_writer;
    CRegKeyTools m_tools;
};

TEST_F(ReportFile, IsNamedAfterProgramHostAndMomentInTheCurrentDirectory) {
    const std::time_t before = std::time(nullptr);
    const std::string name = Written("x");
    const std::time_t after = std::time(nullptr);

    const std::time_t t = TimeInName(m_folder.path(), name);
    EXPECT_GE(t, before) << name;
    EXPECT_LE(t, after) << name;
    EXPECT_EQ(ReportName(m_folder.path(), t), name);
    EXPECT_TRUE(FileExists(name));
}

TEST_F(ReportFile, HeaderIsEightLinesWhoseDateIsTheNamesTime) {
    const std::string report = ReadFileBytes(Written("[x]\r\n"));

    const std::string dateLine = ";    on ";
    const size_t dateAt = report.find(dateLine);
    ASSERT_NE(std::string::npos, dateAt);
    const size_t dateEnd = report.find("\r\n", dateAt);
    const std::string date = report.substr(dateAt + dateLine.size(), dateEnd - dateAt - dateLine.size());
    EXPECT_EQ("REGEDIT4\r\n\r\n;    Created by Kestrin v1.0 from computer: " + ExpectedHost() + "\r\n;    on " + date +
                  "\r\n\r\n;    Options: Keys - [On], Values - [Off], Data - [On], Whole strings only - [Off], "
                  "Case sensitive - [On].\r\n;    for expression: C:\\Path \"quoted\" 100%\r\n\r\n[x]\r\n",
              report);

    // The date in the C library's long form, the moment of the name.
    std::tm parsed = {};
    std::istringstream in(date);
    in.imbue(std::locale::classic());
    in >> std::get_time(&parsed, "%A, %B %d, %Y %H:%M:%S");
    ASSERT_FALSE(in.fail()) << date;
    const int weekday = parsed.tm_wday;
    parsed.tm_isdst = -1;
    EXPECT_EQ(TimeInName(m_folder.path(), m_writer.FileName()), std::mktime(&parsed)) << date;
    EXPECT_EQ(weekday, parsed.tm_wday) << "weekday does not fit the date: " << date;
}

TEST_F(ReportFile, HeaderComesOnceAndPiecesFollowItUnchanged) {
    ASSERT_EQ(1, Create());
    EXPECT_EQ(1, m_writer.WriteRawText("["));
    EXPECT_EQ(1, m_writer.WriteValueName("", 0));
    EXPECT_EQ(1, m_writer.WriteValueName("na\"me\\", 6));
    EXPECT_EQ(0, m_writer.WriteRawText(""));
    EXPECT_EQ(1, m_writer.WriteRawText("=\r\n"));
    m_writer.Close();

    const std::string report = ReadFileBytes(m_writer.FileName());
    EXPECT_EQ("[@\"na\"me\\\"=\r\n", ReportBody(report));
    EXPECT_EQ(report.find("REGEDIT4"), report.rfind("REGEDIT4"));
    EXPECT_TRUE(AllLineEndsAreCrLf(report));
}

TEST_F(ReportFile, IsHeldForExclusiveUseWhileOpen) {
    ASSERT_EQ(1, Create());
    const std::string name = m_writer.FileName();
    HANDLE second = ::CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(INVALID_HANDLE_VALUE, second);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), ::GetLastError());
    if (second != INVALID_HANDLE_VALUE) ::CloseHandle(second);

    m_writer.Close();
    second = ::CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, second);
    if (second != INVALID_HANDLE_VALUE) ::CloseHandle(second);
}

// The names that the next report could get are taken in advance, for this
// second and the next few, by files that must stay untouched. Should the
// machine stall past them, the report is made again.
TEST_F(ReportFile, TakenNameGetsTheFirstFreeSuffix) {
    std::string name;
    std::time_t t = -1, now = 0;
    for (int attempt = 0; attempt < 3 && (t < now || t >= now + 5); ++attempt) {
        now = std::time(nullptr);
        for (std::time_t taken = now; taken < now + 5; ++taken) {
            WriteFileBytes(ReportName(m_folder.path(), taken), "first");
            WriteFileBytes(ReportName(m_folder.path(), taken, " (2)"), "second");
        }
        name = Written("x");
        t = TimeInName(m_folder.path(), name);
    }
    ASSERT_TRUE(t >= now && t < now + 5) << "the report was named outside the prepared seconds: " << name;
    EXPECT_EQ(ReportName(m_folder.path(), t, " (3)"), name);
    EXPECT_EQ("first", ReadFileBytes(ReportName(m_folder.path(), t)));
    EXPECT_EQ("second", ReadFileBytes(ReportName(m_folder.path(), t, " (2)")));
    EXPECT_EQ("x", ReportBody(ReadFileBytes(name)));
}

TEST_F(ReportFile, NextReportNeverOverwritesTheLast) {
    const std::string first = Written("one");
    const std::string firstBytes = ReadFileBytes(first);

    const std::string second = Written("two");
    EXPECT_NE(first, second);
    EXPECT_EQ(firstBytes, ReadFileBytes(first));
    EXPECT_EQ("two", ReportBody(ReadFileBytes(second)));
}

// Z:\sys is the Unix /sys, where not even root may create a file. The
// failure names the file. (That a run shows it once and then gives up is
// the engine's part: tests/engine.)
TEST_F(ReportFile, CreationFailureIsShownWithThePath) {
    if (!::SetCurrentDirectoryA("Z:\\sys")) GTEST_SKIP() << "no unwritable folder Z:\\sys here";
    EXPECT_EQ(0, m_writer.CreateFile());
    ::SetCurrentDirectoryA(m_folder.path().c_str());

    const std::string path = m_writer.FileName();
    EXPECT_EQ(0u, path.find("Z:\\sys\\Kestrin ")) << path;
    ASSERT_EQ(1u, m_errors.messages().size());
    EXPECT_EQ(FormatErrorMessage(ERROR_ACCESS_DENIED,
                                 (" in CRegKeyTools::CreateFile [m_fileData.Open()] for file " + path).c_str()),
              m_errors.messages()[0]);
}

TEST_F(ReportFile, SearchWithoutHitsLeavesNoReport) {
    SearchCounters counters;
    RunSearch(m_tools, "Kzq" + UniqueSuffix() + " nowhere", RunOptions{1, 1, 0, 0}, counters);
    EXPECT_EQ(0, SearchCounters::Read(counters.found));
    EXPECT_GT(SearchCounters::Read(counters.keys), 1000);
    EXPECT_STREQ("", m_tools.Report().FileName());
    EXPECT_TRUE(ListFiles(m_folder.path(), "*.reg").empty());
}

// A stop already requested is seen at the first sub-key of the first root,
// right after the root's own name matched: the report holds that one block
// and the note. The worker's exit code says it was stopped.
TEST_F(ReportFile, StopAfterTheFirstHitEndsTheReportWithTheNote) {
    UniqueKernelHandle stop(::CreateEventA(nullptr, TRUE, TRUE, nullptr));
    SearchContext context = {};
    context.m_tools = &m_tools;
    PrepareSearch(m_tools, "HKEY_CLASSES_ROOT", RunOptions{1, 0, 1, 1}, context.m_counters, stop.get());
    UniqueKernelHandle worker(::CreateThread(nullptr, 0, SearchThreadProc, &context, 0, nullptr));
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(worker.get(), 60000));
    DWORD exitCode = 0;
    ::GetExitCodeThread(worker.get(), &exitCode);

    EXPECT_EQ(1u, exitCode);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(stop.get(), 0)) << "the walk resets the event";
    const std::string report = ReadFileBytes(m_tools.Report().FileName());
    EXPECT_EQ(std::string("[HKEY_CLASSES_ROOT]\r\n\r\n") + kNote, ReportBody(report));
    EXPECT_EQ(1, SearchCounters::Read(context.m_counters.found));
}

TEST_F(ReportFile, StopBeforeTheFirstHitLeavesNeitherReportNorNote) {
    UniqueKernelHandle stop(::CreateEventA(nullptr, TRUE, TRUE, nullptr));
    SearchCounters counters;
    RunSearch(m_tools, "HKEY_LOCAL_MACHINE", RunOptions{1, 0, 1, 1}, counters, stop.get());
    EXPECT_EQ(1, m_tools.IsStopped());
    EXPECT_STREQ("", m_tools.Report().FileName());
    EXPECT_TRUE(ListFiles(m_folder.path(), "*.reg").empty());
}

}  // namespace
