#include "KeyboardFilter_win.h"

#include "KeyboardFilter.h"
#include "SystemOps_win.h"
#include "win/ProcessProtection_win.h"

namespace vardex {

namespace {
// Used by the filter's own thread only; one filter runs at a time.
SessionKeyFilter keyRule;
// The time of the last key the filter saw, read by the session; the event that asks the filter's
// thread to install it afresh.
std::atomic<DWORD> lastKeyTime = 0;
HANDLE reinstallAsked = nullptr;
// Called this much later than the key happened, the filter may have kept the system waiting long
// enough to be removed.
constexpr DWORD kLateCallMs = 100;
// At most this often on suspicion of silence: forged key messages must not keep the filter's
// thread busy.
constexpr ULONGLONG kMostReinstallAskedMs = 100;

bool IsDown(int virtualKey) noexcept
{
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

// What the system does for Alt+Shift, done for Windows+Space: the focused window of the one in
// front is asked to take the next (or previous) layout of the list; its default handling takes
// it. Only a message posted, so that the filter keeps the system waiting no longer.
void SwitchLayoutInFront(LayoutSwitch which) noexcept
{
    HWND front = GetForegroundWindow();
    if (!front)
        return;
    const DWORD thread = GetWindowThreadProcessId(front, nullptr);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = GetGUIThreadInfo(thread, &info) && info.hwndFocus ? info.hwndFocus : front;
    HKL layouts[32];
    const int count = GetKeyboardLayoutList(32, layouts);
    if (count < 2)
        return;
    const HKL current = GetKeyboardLayout(thread);
    int at = 0;
    while (at < count && layouts[at] != current)
        ++at;
    const bool next = which == LayoutSwitch::Next;
    const int chosen = at == count ? 0 : (at + (next ? 1 : count - 1)) % count;
    PostMessageW(target, WM_INPUTLANGCHANGEREQUEST, next ? INPUTLANGCHANGE_FORWARD : INPUTLANGCHANGE_BACKWARD,
                 reinterpret_cast<LPARAM>(layouts[chosen]));
}

LRESULT CALLBACK FilterProcedure(int code, WPARAM wParam, LPARAM lParam) noexcept
{
    if (code == HC_ACTION) {
        const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        lastKeyTime = event->time;
        if (GetTickCount() - event->time > kLateCallMs)
            SetEvent(reinstallAsked);
        // Wine leaves the Alt flag off the Tab of an Alt+Tab: ask the key state as well (the
        // physical state: this thread takes no keyboard input of its own).
        const LowLevelKey key{static_cast<unsigned>(wParam), event->vkCode,
                              (event->flags & LLKHF_ALTDOWN) != 0 || IsDown(VK_MENU), IsDown(VK_CONTROL),
                              IsDown(VK_SHIFT)};
        const SessionKeyFilter::Verdict verdict = keyRule.Judge(key);
        if (verdict.layoutSwitch != LayoutSwitch::None)
            SwitchLayoutInFront(verdict.layoutSwitch);
        if (verdict.swallow)
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
    HANDLE reinstall;
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
    const HANDLE reinstall = start->reinstall;
    reinstallAsked = reinstall;
    lastKeyTime = GetTickCount();  // what came before was not the filter's to see
    UniqueHook hook(InstallHook());
    start->hooked = static_cast<bool>(hook);
    SetEvent(start->started);  // start is gone after this
    if (!hook)
        return 1;
    // Nothing on a timer: the thread wakes for the filter's calls, the request to install it
    // afresh and the end.
    for (;;) {
        if (MsgWaitForMultipleObjectsEx(1, &reinstall, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0) {
            // The new one first, so that no key slips through between the two.
            if (HHOOK fresh = InstallHook())
                hook.Reset(fresh);
        }
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            // Only Remove ends the filter: a WM_QUIT that another program posts to this thread
            // does not.
            if (msg.message == WM_QUIT && stopping.load())
                return 0;
    }
}
}  // namespace

void KeyboardFilter::Install() noexcept
{
    if (!IsNtPlatform() || thread_)
        return;
    const UniqueKernelHandle started(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!started)
        return;
    if (!reinstall_)
        reinstall_.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!reinstall_)
        return;
    stopping_ = false;
    StartData start{started.Get(), reinstall_.Get(), &stopping_};
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

bool KeyboardFilter::Stopped() const noexcept
{
    return !thread_ || WaitForSingleObject(thread_.Get(), 0) != WAIT_TIMEOUT;
}

void KeyboardFilter::CheckHeard(unsigned long inputTime) noexcept
{
    if (!thread_ || static_cast<LONG>(inputTime - lastKeyTime.load()) <= 0)
        return;
    const ULONGLONG now = GetTickCount64();
    if (now - lastReinstallAsked_ < kMostReinstallAskedMs)
        return;
    lastReinstallAsked_ = now;
    SetEvent(reinstall_.Get());
}

void KeyboardFilter::KeepRunning() noexcept
{
    // Ended some other way than by Remove (it cannot be made to, but a failed start leaves none
    // too): started again, at most once a second.
    if (!Stopped())
        return;
    // Let go at once: the session's loop waits on the thread, which would wake it at every wait.
    thread_.Reset();
    const ULONGLONG now = GetTickCount64();
    if (now - lastStartTry_ < kReinstallMs)
        return;
    lastStartTry_ = now;
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
