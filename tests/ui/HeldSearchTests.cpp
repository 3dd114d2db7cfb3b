// Stopping and closing while a search runs. The search is held at its first
// hit by an error box (no report name fits the working folder), which keeps
// "searching" on screen for as long as a test needs.
#include "ui/DialogTest.h"
#include "ui/RegistryFixture.h"

namespace ui {
namespace {

class HeldSearchTest : public DialogTest {
protected:
    void StartHeldSearch() {
        m_key.String("", "value", m_token);
        ASSERT_TRUE(m_key.ok());
        Start(kFreshSettings, FolderWithoutRoomForAReport());
        Type(m_token);
        StartSearch();
        ASSERT_TRUE(WaitFor([&] { return ErrorBox() != nullptr; })) << "the worker should be held by an error box";
    }
    bool WorkerEnded() { return DismissErrorsUntil([&] { return Enabled(kFindStop) || m_kestrin->HasExited(); }); }

    RegistryTestKey m_key{"ui"};
    std::string m_token = UniqueToken();
};

TEST_F(HeldSearchTest, StopDisablesTheButtonUntilTheWorkerHasEnded) {
    StartHeldSearch();
    EXPECT_FALSE(Enabled(kShowResult));
    Click(Control(kFindStop));
    ASSERT_TRUE(WaitFor([&] { return ControlText(kFindStop) == "&Find"; }));
    Settle();
    EXPECT_FALSE(Enabled(kFindStop)) << "disabled while the worker is still running";
    EXPECT_NE(ErrorBox(), nullptr);

    ASSERT_TRUE(WorkerEnded());
    EXPECT_EQ(ControlText(kFindStop), "&Find");
    EXPECT_FALSE(Enabled(kShowResult)) << "no report could be made";
    EXPECT_TRUE(::IsWindow(m_main));
}

TEST_F(HeldSearchTest, EmptyingTheTextDisablesStopButExitStillEnds) {
    StartHeldSearch();
    Type("");
    ASSERT_TRUE(WaitFor([&] { return !Enabled(kFindStop); }));
    EXPECT_EQ(ControlText(kFindStop), "&Stop");
    Click(Control(kExit));
    Settle();
    EXPECT_TRUE(::IsWindow(m_main));
    ASSERT_TRUE(WorkerEnded());
    ExpectExitWithZero();
}

TEST_F(HeldSearchTest, AnOptionClickedDuringTheRunIsNotSavedWhenTheDialogClosesFirst) {
    StartHeldSearch();
    Click(Control(kMatchCase));
    Click(Control(kExit));
    ASSERT_TRUE(WorkerEnded());
    ExpectExitWithZero();
    EXPECT_EQ(ReadFileBytes(m_sandbox.SettingsPath()), kFreshSettings);
}

// The three ways to ask the dialog to close.
enum class CloseWay { ExitButton, EscapeKey, CloseRequest };

class CloseDuringSearchTest : public HeldSearchTest, public ::testing::WithParamInterface<CloseWay> {
protected:
    void AskToClose() {
        switch (GetParam()) {
        case CloseWay::ExitButton:
            Click(Control(kExit));
            break;
        case CloseWay::EscapeKey:
            PressKey(Control(kSearchText), VK_ESCAPE);
            break;
        case CloseWay::CloseRequest:
            ::PostMessageA(m_main, WM_CLOSE, 0, 0);
            break;
        }
    }
};

TEST_P(CloseDuringSearchTest, TheWindowStaysUntilTheWorkerHasEndedThenTheProgramEnds) {
    StartHeldSearch();
    AskToClose();
    Settle();
    EXPECT_TRUE(::IsWindowVisible(m_main)) << "the worker still runs";
    EXPECT_FALSE(Enabled(kFindStop));

    Click(Control(kExit));
    Settle();
    EXPECT_TRUE(::IsWindowVisible(m_main)) << "a second Exit does nothing";

    ASSERT_TRUE(WorkerEnded());
    ExpectExitWithZero();
    EXPECT_EQ(ReadFileBytes(m_sandbox.SettingsPath()), kFreshSettings);
}

std::string CloseWayName(const ::testing::TestParamInfo<CloseWay>& info) {
    switch (info.param) {
    case CloseWay::ExitButton:
        return "ExitButton";
    case CloseWay::EscapeKey:
        return "EscapeKey";
    default:
        return "CloseRequest";
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, CloseDuringSearchTest,
                         ::testing::Values(CloseWay::ExitButton, CloseWay::EscapeKey, CloseWay::CloseRequest),
                         CloseWayName);

}  // namespace
}  // namespace ui
