// The message loop and the application module under the dialogs, run on the
// test's own thread with thread messages (no window needed).
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <thread>

#include "ui/framework/AppModule.h"
#include "ui/framework/MessageLoop.h"

CAppModule g_appModule;

namespace {

constexpr UINT kProbe = WM_APP + 1;

// Notes its name for every probe message; handles those whose wParam is its
// own number.
class NamedFilter : public CMessageFilter {
public:
    NamedFilter(char name, WPARAM handles, std::string& trace) : m_name(name), m_handles(handles), m_trace(trace) {}
    BOOL FilterMessage(MSG* msg) override {
        if (msg->message != kProbe) return FALSE;
        m_trace += m_name;
        return msg->wParam == m_handles;
    }

private:
    char m_name;
    WPARAM m_handles;
    std::string& m_trace;
};

// Notes 'i' for each call and runs its action, if any.
class CountingIdle : public CIdleHandler {
public:
    CountingIdle(std::string& trace, std::function<void()> action = nullptr) : m_trace(trace), m_action(action) {}
    BOOL DoIdleWork() override {
        m_trace += 'i';
        if (m_action) m_action();
        return TRUE;
    }

private:
    std::string& m_trace;
    std::function<void()> m_action;
};

// Posts the given probes to the calling thread.
void PostProbes(std::initializer_list<WPARAM> probes) {
    for (WPARAM probe : probes) ::PostThreadMessageA(::GetCurrentThreadId(), kProbe, probe, 0);
}

TEST(MessageLoop, FiltersAreAskedNewestFirstUntilOneHandlesTheMessage) {
    std::string trace;
    NamedFilter older('a', 1, trace);
    NamedFilter newer('b', 2, trace);
    CMessageLoop loop;
    loop.AddMessageFilter(&older);
    loop.AddMessageFilter(&newer);
    PostProbes({2, 1, 0});
    ::PostQuitMessage(7);
    EXPECT_EQ(loop.Run(), 7) << "the quit message's code is the loop's result";
    EXPECT_EQ(trace, "b" "ba" "ba");
}

TEST(MessageLoop, RemovedFiltersAreNoLongerAsked) {
    std::string trace;
    NamedFilter filter('a', 1, trace);
    CMessageLoop loop;
    EXPECT_TRUE(loop.AddMessageFilter(&filter));
    EXPECT_TRUE(loop.RemoveMessageFilter(&filter));
    EXPECT_FALSE(loop.RemoveMessageFilter(&filter));
    PostProbes({1});
    ::PostQuitMessage(0);
    loop.Run();
    EXPECT_EQ(trace, "");
}

TEST(MessageLoop, IdleWorkRunsOnceAfterEachBurstOfMessages) {
    std::string trace;
    NamedFilter filter('m', 0, trace);
    CountingIdle first(trace);
    // The second handler feeds the loop: one more probe after the first
    // burst, the quit message after the second.
    int bursts = 0;
    CountingIdle second(trace, [&] {
        if (++bursts == 1)
            PostProbes({5});
        else
            ::PostQuitMessage(3);
    });
    CMessageLoop loop;
    loop.AddMessageFilter(&filter);
    loop.AddIdleHandler(&first);
    loop.AddIdleHandler(&second);
    PostProbes({5, 5});
    EXPECT_EQ(loop.Run(), 3);
    EXPECT_EQ(trace, "mm" "ii" "m" "ii") << "no idle work while messages wait, every handler once per empty queue";
}

TEST(MessageLoop, MouseMovesAndPaintsDoNotRestartIdleWork) {
    for (UINT message : {UINT{WM_MOUSEMOVE}, UINT{WM_NCMOUSEMOVE}, UINT{WM_PAINT}, UINT{0x0118}}) {
        MSG msg = {};
        msg.message = message;
        EXPECT_FALSE(CMessageLoop::IsIdleMessage(msg)) << message;
    }
    MSG key = {};
    key.message = WM_KEYDOWN;
    EXPECT_TRUE(CMessageLoop::IsIdleMessage(key));
}

TEST(AppModule, FindsEachThreadsLoopUnderItsOwnIdentifier) {
    ASSERT_TRUE(g_appModule.Init(::GetModuleHandleA(nullptr)));
    EXPECT_EQ(g_appModule.GetMainThreadId(), ::GetCurrentThreadId());
    CMessageLoop mainLoop;
    CMessageLoop otherLoop;
    EXPECT_TRUE(g_appModule.AddMessageLoop(&mainLoop));
    EXPECT_FALSE(g_appModule.AddMessageLoop(&otherLoop)) << "one loop per thread";

    DWORD otherThread = 0;
    std::thread other([&] {
        otherThread = ::GetCurrentThreadId();
        EXPECT_EQ(g_appModule.GetMessageLoop(), nullptr);
        EXPECT_TRUE(g_appModule.AddMessageLoop(&otherLoop));
        EXPECT_EQ(g_appModule.GetMessageLoop(), &otherLoop);
    });
    other.join();
    EXPECT_EQ(g_appModule.GetMessageLoop(), &mainLoop);
    EXPECT_EQ(g_appModule.GetMessageLoop(otherThread), &otherLoop);

    EXPECT_TRUE(g_appModule.RemoveMessageLoop());
    EXPECT_EQ(g_appModule.GetMessageLoop(), nullptr);
    g_appModule.Term();
    EXPECT_EQ(g_appModule.GetMessageLoop(otherThread), nullptr) << "Term forgets every loop";
    EXPECT_FALSE(g_appModule.AddMessageLoop(&mainLoop)) << "no map after Term";
}

}  // namespace
