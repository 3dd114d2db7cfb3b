// Searches started from the dialog: the button's captions, the two status
// lines against the run's own counts, Show result against the report, and
// the length limit of the search text.
#include "ui/DialogTest.h"
#include "ui/RegistryFixture.h"

namespace ui {
namespace {

constexpr char kInterruptionNote[] = "\r\n; ** The process of search was interrupted by the user **";

class SearchTest : public DialogTest {
protected:
    // Hits of a report: key lines of keys whose own name holds text, and
    // value lines.
    static int CountHits(const std::string& report, const std::string& text) {
        int hits = 0;
        size_t body = report.find("\r\n\r\n", report.find(";    for expression:"));
        for (size_t at = body; at != std::string::npos && at < report.size(); at = report.find("\r\n", at)) {
            at += 2;
            if (report.compare(at, 1, "[") == 0) {
                size_t end = report.find("]\r\n", at);
                size_t name = report.rfind('\\', end);
                if (report.substr(name, end - name).find(text) != std::string::npos) ++hits;
            } else if (report.compare(at, 1, "\"") == 0 || report.compare(at, 1, "@") == 0) {
                ++hits;
            }
        }
        return hits;
    }

    std::string OnlyReport() {
        auto reports = m_sandbox.Reports(m_sandbox.Folder());
        EXPECT_EQ(reports.size(), 1u);
        return reports.empty() ? "" : ReadFileBytes(reports.front());
    }

    RegistryTestKey m_key{"ui"};
    std::string m_token = UniqueToken();
};

TEST_F(SearchTest, StatusLinesShowTheRunsCountsAndShowResultFollowsItsReport) {
    m_key.Key("named " + m_token);
    ASSERT_TRUE(m_key.ok());
    m_key.String("", "first", "before " + m_token + " after");
    ASSERT_TRUE(m_key.ok());
    m_key.String("", "second", m_token);
    ASSERT_TRUE(m_key.ok());
    Start(SettingsFile("On", "On", "Off", "Off", "Off"));
    Type(m_token);
    StartSearch();
    EXPECT_FALSE(Enabled(kShowResult)) << "disabled while the search runs";
    ASSERT_TRUE(WaitForSearchEnd());
    EXPECT_TRUE(Enabled(kShowResult)) << "the run left a report";

    std::string report = OnlyReport();
    int hits = CountHits(report, m_token);
    EXPECT_GE(hits, 3) << report;
    EXPECT_EQ(ControlText(kFoundLine), "Found items: " + std::to_string(hits));

    // The console front end walks the same registry with the same options:
    // its counts are the run's.
    std::string console = m_sandbox.SubFolder("console");
    std::string expected = RunFind(m_sandbox, console, "/K /V " + m_token);
    ASSERT_NE(expected, "");
    EXPECT_EQ(ControlText(kStateLine) + "  " + ControlText(kFoundLine), expected);
}

// The count of a run without hits is shown as 0, also on the very first
// run, whose count never moved from where it started.
TEST_F(SearchTest, ARunWithoutHitsShowsNoItemsFoundAndLeavesShowResultDisabled) {
    m_key.String("", "value", m_token);
    ASSERT_TRUE(m_key.ok());
    Start(SettingsFile("Off", "On", "Off", "Off", "Off"));
    Type(UniqueToken());
    StartSearch();
    ASSERT_TRUE(WaitForSearchEnd());
    EXPECT_EQ(ControlText(kFoundLine), "Found items: 0");
    EXPECT_FALSE(Enabled(kShowResult));
    EXPECT_TRUE(m_sandbox.Reports(m_sandbox.Folder()).empty());

    Type(m_token);
    StartSearch();
    ASSERT_TRUE(WaitForSearchEnd());
    ASSERT_TRUE(Enabled(kShowResult));

    Type(UniqueToken());
    StartSearch();
    EXPECT_FALSE(Enabled(kShowResult)) << "a new run disables it at its start";
    ASSERT_TRUE(WaitForSearchEnd());
    EXPECT_FALSE(Enabled(kShowResult));
    EXPECT_EQ(ControlText(kFoundLine), "Found items: 0");
    EXPECT_EQ(m_sandbox.Reports(m_sandbox.Folder()).size(), 1u) << "the second run left no report";
}

TEST_F(SearchTest, ATextOf300CharactersSearchesForItsFirst259) {
    std::string head = m_token + std::string(259 - m_token.size(), 'w');
    m_key.String("", "long", head + "-end");
    ASSERT_TRUE(m_key.ok());
    Start(SettingsFile("Off", "On", "Off", "Off", "Off"));
    Type(head + std::string(41, 'z'));
    ASSERT_EQ(ControlText(kSearchText).size(), 300u);
    StartSearch();
    ASSERT_TRUE(WaitForSearchEnd());

    std::string report = OnlyReport();
    EXPECT_NE(report.find(";    for expression: " + head + "\r\n\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("\"long\"=\"" + head + "-end\"\r\n"), std::string::npos) << report;
}

TEST_F(SearchTest, StopEndsTheRunWithTheInterruptionNote) {
    Start(SettingsFile("On", "On", "Off", "Off", "Off"));
    // A letter that matches almost every key: hits come at once, and the
    // whole walk takes far longer than the stop needs.
    Type("e");
    StartSearch();
    ASSERT_TRUE(WaitFor([&] {
        std::string found = ControlText(kFoundLine);
        return !found.empty() && found != "Found items: 0";
    }));
    Click(Control(kFindStop));
    ASSERT_TRUE(WaitForSearchEnd());
    ASSERT_TRUE(Enabled(kShowResult));
    std::string report = OnlyReport();
    ASSERT_GE(report.size(), sizeof kInterruptionNote);
    EXPECT_EQ(report.substr(report.size() - (sizeof kInterruptionNote - 1)), kInterruptionNote);
}

// The worker's end message goes to the dialog that started the search, even
// when, at the moment Find is pressed, that dialog's thread has no active
// window (another program is in front and Find comes as a command).
TEST_F(SearchTest, TheEndOfASearchReachesItsDialogWhenAnotherProgramIsInFront) {
    m_key.String("", "value", m_token);
    ASSERT_TRUE(m_key.ok());
    Start(SettingsFile("Off", "On", "Off", "Off", "Off"));
    Type(m_token);
    ASSERT_TRUE(WaitFor([&] { return Enabled(kFindStop); }));

    Sandbox otherSandbox;
    KestrinProcess other(otherSandbox);
    HWND front = other.MainWindow();
    ASSERT_NE(front, nullptr);
    ::SetForegroundWindow(front);
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(WaitFor([&] {
        return ::GetGUIThreadInfo(::GetWindowThreadProcessId(m_main, nullptr), &info) && !info.hwndActive;
    })) << "the dialog's thread should have no active window";

    ::PostMessageA(m_main, WM_COMMAND, MAKEWPARAM(kFindStop, BN_CLICKED),
                   reinterpret_cast<LPARAM>(Control(kFindStop)));
    ASSERT_TRUE(WaitFor([&] { return ControlText(kFindStop) == "&Stop"; }));
    EXPECT_TRUE(WaitForSearchEnd()) << "the end message was lost";
    EXPECT_TRUE(Enabled(kShowResult));
}

}  // namespace
}  // namespace ui
