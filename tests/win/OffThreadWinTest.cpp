#include "win/OffThread_win.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace vardex {
namespace {

// Whether the user may suspend the thread or set its registers (and with them a check's result).
bool OpenToTheUser(DWORD thread)
{
    HANDLE handle = OpenThread(THREAD_SUSPEND_RESUME | THREAD_SET_CONTEXT, FALSE, thread);
    if (handle)
        CloseHandle(handle);
    return handle != nullptr;
}

TEST(OffThreadWin, WorkRunsOnAProtectedThreadWhileTheCallerTakesItsMessagesAndRunsTheGuard)
{
    MessagePump pump;
    int guardRuns = 0, taken = 0;
    pump.SetGuard([&] { ++guardRuns; });
    const MessagePump::FilterScope count(pump, [&](const MSG& msg) { return msg.message == WM_APP && ++taken; });
    const DWORD caller = GetCurrentThreadId();
    DWORD worker = caller;
    bool workerOpen = true;
    RunOffThread(pump, [&] {
        worker = GetCurrentThreadId();
        workerOpen = OpenToTheUser(worker);
        for (int i = 0; i < 3; ++i) {
            PostThreadMessageW(caller, WM_APP, 0, 0);
            Sleep(100);
        }
    });
    EXPECT_NE(worker, caller);
    EXPECT_EQ(taken, 3) << "taken while the work ran";
    EXPECT_GE(guardRuns, 5);
    EXPECT_FALSE(workerOpen);
    EXPECT_TRUE(OpenToTheUser(caller)) << "the test's own thread, unprotected, shows the denial is the worker's";
}

TEST(OffThreadWin, TheWorksErrorCrossesAndTheEndOfTheProgramWaitsForTheWork)
{
    MessagePump pump;
    EXPECT_THROW(RunOffThread(pump, [] { throw std::runtime_error("no key"); }), std::runtime_error);
    const DWORD caller = GetCurrentThreadId();
    // The program is asked to end while the work runs (a WM_QUIT of somebody else's is not that).
    const MessagePump::FilterScope ending(pump, [&pump](const MSG& msg) {
        if (msg.message == WM_APP)
            pump.Terminate();
        return msg.message == WM_APP;
    });
    bool ended = false;
    RunOffThread(pump, [&] {
        PostThreadMessageW(caller, WM_QUIT, 0, 0);
        PostThreadMessageW(caller, WM_APP, 0, 0);
        Sleep(300);
        ended = true;
    });
    EXPECT_TRUE(pump.Terminated());
    EXPECT_TRUE(ended) << "returned before the work had ended";
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }  // the pump's own, put back for outer loops
}

}  // namespace
}  // namespace vardex
