#include "common/OffThread_win.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace vardex {
namespace {

TEST(OffThreadWin, WorkRunsOnAThreadOfItsOwnWhileTheCallerTakesItsMessagesAndRunsTheGuard)
{
    MessagePump pump;
    int guardRuns = 0;
    pump.SetGuard([&] { ++guardRuns; });
    int taken = 0;
    const MessagePump::FilterScope count(pump, [&](const MSG& msg) { return msg.message == WM_APP && ++taken; });
    const DWORD caller = GetCurrentThreadId();
    DWORD worker = caller;
    RunOffThread(pump, [&] {
        worker = GetCurrentThreadId();
        for (int i = 0; i < 3; ++i) {
            PostThreadMessageW(caller, WM_APP, 0, 0);
            Sleep(100);
        }
    });
    EXPECT_NE(worker, caller);
    EXPECT_EQ(taken, 3) << "taken while the work ran";
    EXPECT_GE(guardRuns, 5);
}

// The user may not suspend the worker or set its registers (and with them the check's result);
// the test's own thread, made without that protection, shows that the denial is the worker's.
TEST(OffThreadWin, TheWorkerDeniesTheUserSuspendingItOrSettingItsRegisters)
{
    MessagePump pump;
    const auto openable = [](DWORD thread) {
        HANDLE handle = OpenThread(THREAD_SUSPEND_RESUME | THREAD_SET_CONTEXT, FALSE, thread);
        if (handle)
            CloseHandle(handle);
        return handle != nullptr;
    };
    bool workerOpenable = true;
    RunOffThread(pump, [&] { workerOpenable = openable(GetCurrentThreadId()); });
    EXPECT_FALSE(workerOpenable);
    EXPECT_TRUE(openable(GetCurrentThreadId()));
}

TEST(OffThreadWin, TheWorksErrorCrossesAndTheEndOfTheProgramWaitsForTheWork)
{
    MessagePump pump;
    EXPECT_THROW(RunOffThread(pump, [] { throw std::runtime_error("no key"); }), std::runtime_error);
    const DWORD caller = GetCurrentThreadId();
    bool ended = false;
    RunOffThread(pump, [&] {
        PostThreadMessageW(caller, WM_QUIT, 0, 0);
        Sleep(300);
        ended = true;
    });
    EXPECT_TRUE(pump.Terminated());
    EXPECT_TRUE(ended) << "returned before the work had ended";
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);  // the pump put it back for outer loops
}

}  // namespace
}  // namespace vardex
