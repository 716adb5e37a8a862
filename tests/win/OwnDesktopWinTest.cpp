#include "win/OwnDesktop_win.h"

#include "ProcessHandles_win.h"
#include "win/OffThread_win.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace vardex {
namespace {

std::wstring ThreadDesktopName()
{
    wchar_t name[256] = L"";
    DWORD needed = 0;
    GetUserObjectInformationW(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, name, sizeof name, &needed);
    return name;
}

// Gone once its last handle is closed; Wine keeps a desktop some seconds after its last user.
bool DesktopGoes(const std::wstring& name)
{
    for (int look = 0; look < 100; ++look, Sleep(100)) {
        const HDESK desktop = OpenDesktopW(name.c_str(), 0, FALSE, DESKTOP_READOBJECTS);
        if (!desktop)
            return true;
        CloseDesktop(desktop);
    }
    return false;
}

TEST(OwnDesktopWin, WorkRunsOnAFreshDesktopOfItsOwnWhichIsClosedAfterItsEndAndAfterItsError)
{
    MessagePump pump;
    const std::wstring callers = ThreadDesktopName();
    for (const bool fails : {false, true}) {
        std::wstring seen;
        const auto work = [&](MessagePump& own) {
            seen = ThreadDesktopName();
            const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                                nullptr);
            EXPECT_NE(window, nullptr) << "windows may be made there";
            DestroyWindow(window);
            EXPECT_FALSE(own.Terminated());
            if (fails)
                throw std::runtime_error("no window");
        };
        if (fails)
            EXPECT_THROW(RunOnOwnDesktop(pump, work), std::runtime_error);
        else
            EXPECT_TRUE(RunOnOwnDesktop(pump, work));
        EXPECT_TRUE(seen.starts_with(L"vardex-")) << fails;
        EXPECT_NE(seen, callers);
        EXPECT_TRUE(DesktopGoes(seen)) << "closed after the work";
        EXPECT_EQ(ThreadDesktopName(), callers) << "the caller stays where it was";
    }
}

TEST(OwnDesktopWin, TheEndOfTheProgramEndsTheWorksLoops)
{
    MessagePump pump;
    const DWORD caller = GetCurrentThreadId();
    const MessagePump::FilterScope ending(pump, [&pump](const MSG& msg) {
        if (msg.message == WM_APP)
            pump.Terminate();
        return msg.message == WM_APP;
    });
    bool loopEnded = false;
    EXPECT_TRUE(RunOnOwnDesktop(pump, [&](MessagePump& own) {
        PostThreadMessageW(caller, WM_APP, 0, 0);
        loopEnded = !own.RunUntil([] { return false; });
    }));
    EXPECT_TRUE(loopEnded);
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }  // the pump's own, put back for outer loops
}

// A lock opens the prompt on a desktop of its own, and checks the password off its thread, each
// time: weeks of locks must leave no handle behind.
TEST(OwnDesktopWin, RunsLeaveNoHandleBehind)
{
    MessagePump pump;
    const auto run = [&](int times) {
        for (int i = 0; i < times; ++i) {
            // No window there: Wine itself keeps some handles of every desktop that had one, after
            // it is closed (a bare CreateDesktop, thread and window show it), which Windows does not.
            RunOnOwnDesktop(pump, [](MessagePump&) {});
            RunOffThread(pump, [] {});
        }
    };
    run(20);  // what the first runs load stays
    const ULONG before = test::OwnHandleCount();
    run(200);
    const ULONG after = test::OwnHandleCount();
    EXPECT_LE(after, before + 64) << "more than a slot block of the handle table in 200 runs";
}

}  // namespace
}  // namespace vardex
