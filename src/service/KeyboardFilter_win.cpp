#include "KeyboardFilter_win.h"

#include "KeyboardFilter.h"
#include "SystemOps_win.h"
#include "win/ProcessProtection_win.h"

namespace vardex {

namespace {
// Used by the filter's own thread only; one filter runs at a time.
SessionKeyFilter keyRule;

bool IsDown(int virtualKey) noexcept
{
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

LRESULT CALLBACK FilterProcedure(int code, WPARAM wParam, LPARAM lParam) noexcept
{
    if (code == HC_ACTION) {
        const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        // Wine leaves the Alt flag off the Tab of an Alt+Tab: ask the key state as well (the
        // physical state: this thread takes no keyboard input of its own).
        const LowLevelKey key{static_cast<unsigned>(wParam), event->vkCode,
                              (event->flags & LLKHF_ALTDOWN) != 0 || IsDown(VK_MENU), IsDown(VK_CONTROL),
                              IsDown(VK_SHIFT)};
        if (keyRule.ShouldSwallow(key))
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

HHOOK InstallHook() noexcept
{
    return SetWindowsHookExW(WH_KEYBOARD_LL, FilterProcedure, GetModuleHandleW(nullptr), 0);
}

struct StartData {
    HANDLE started;
    const std::atomic<bool>* stopping;
    bool hooked = false;
};

DWORD WINAPI FilterThread(void* parameter) noexcept
{
    auto* start = static_cast<StartData*>(parameter);
    const std::atomic<bool>& stopping = *start->stopping;
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before anyone posts to it
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    keyRule = SessionKeyFilter();
    UniqueHook hook(InstallHook());
    start->hooked = static_cast<bool>(hook);
    SetEvent(start->started);  // start is gone after this
    if (!hook)
        return 1;
    SetTimer(nullptr, 0, KeyboardFilter::kReinstallMs, nullptr);
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        // Only Remove ends the filter: a WM_QUIT that another program posts to this thread
        // does not.
        if (got == 0 && stopping.load())
            break;
        if (got <= 0 || msg.message != WM_TIMER)
            continue;
        // The new one first, so that no key slips through between the two.
        if (HHOOK fresh = InstallHook())
            hook.Reset(fresh);
    }
    return 0;
}
}  // namespace

void KeyboardFilter::Install() noexcept
{
    if (!IsNtPlatform() || thread_)
        return;
    const UniqueKernelHandle started(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!started)
        return;
    stopping_ = false;
    StartData start{started.Get(), &stopping_};
    DWORD id = 0;
    UniqueKernelHandle thread(CreateThread(nullptr, 0, FilterThread, &start, 0, &id));
    if (!thread)
        return;
    ProtectNewThread(thread.Get());
    WaitForSingleObject(started.Get(), INFINITE);
    if (!start.hooked) {
        WaitForSingleObject(thread.Get(), INFINITE);
        return;
    }
    thread_ = std::move(thread);
    threadId_ = id;
}

void KeyboardFilter::KeepRunning() noexcept
{
    // Ended some other way than by Remove (it cannot be made to, but a failed start leaves none
    // too): started again, at most once a second.
    if (thread_ && WaitForSingleObject(thread_.Get(), 0) == WAIT_TIMEOUT)
        return;
    const ULONGLONG now = GetTickCount64();
    if (now - lastStartTry_ < kReinstallMs)
        return;
    lastStartTry_ = now;
    thread_.Reset();
    Install();
}

void KeyboardFilter::Remove() noexcept
{
    if (!thread_)
        return;
    stopping_ = true;
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    WaitForSingleObject(thread_.Get(), INFINITE);
    thread_.Reset();
    threadId_ = 0;
}

}  // namespace vardex
