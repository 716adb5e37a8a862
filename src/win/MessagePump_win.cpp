#include "MessagePump_win.h"

#include "common/ScopeGuard.h"

#include <iterator>

namespace vardex {

MessagePump::FilterScope::FilterScope(MessagePump& pump, Filter filter)
    : pump_(pump), position_(pump.filters_.insert(pump.filters_.begin(), std::move(filter)))
{
}

MessagePump::FilterScope::~FilterScope()
{
    pump_.filters_.erase(position_);
}

void MessagePump::Terminate() noexcept
{
    if (!terminated_)
        PostQuitMessage(0);
    terminated_ = true;
}

void MessagePump::Dispatch(const MSG& msg)
{
    // A filter may remove itself (its dialog closes) while it runs: step on before calling it.
    for (auto it = filters_.begin(); it != filters_.end();) {
        const Filter& filter = *it++;
        if (filter(msg))
            return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void MessagePump::RunGuardIfDue()
{
    if (!guard_)
        return;
    const std::uint64_t now = GetTickCount64();
    if (now - lastGuardRun_ < kGuardPeriodMs)
        return;
    lastGuardRun_ = now;
    guard_();
}

void MessagePump::RunGuard()
{
    if (!guard_)
        return;
    lastGuardRun_ = GetTickCount64();
    guard_();
}

void MessagePump::ProcessPendingMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            if (!terminated_)
                continue;  // not ours: anybody may post one
            // Put back for a loop of the system's further out (a message box), which ends on it.
            PostQuitMessage(0);
            break;
        }
        Dispatch(msg);
        RunGuardIfDue();
    }
}

bool MessagePump::WaitForMessages(DWORD milliseconds, std::initializer_list<HANDLE> objects) noexcept
{
    HANDLE given[MAXIMUM_WAIT_OBJECTS - 1];
    DWORD count = 0;
    for (HANDLE object : objects)
        if (object && count < std::size(given))
            given[count++] = object;
    return MsgWaitForMultipleObjectsEx(count, count ? given : nullptr, milliseconds, QS_ALLINPUT,
                                       MWMO_INPUTAVAILABLE) == WAIT_TIMEOUT;
}

bool MessagePump::GetNext(MSG& msg)
{
    for (;;) {
        if (terminated_)
            return false;
        RunGuardIfDue();
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            // A quit that the program did not ask for itself ends nothing: any program may post
            // one, to a window or to the thread.
            if (msg.message == WM_QUIT)
                continue;
            return true;
        }
        WaitForMessages(guard_ ? kGuardPeriodMs : INFINITE);
    }
}

void MessagePump::Run()
{
    MSG msg;
    while (GetNext(msg))
        Dispatch(msg);
}

bool MessagePump::RunModal(HWND owner, HWND window, const Filter& translate, const std::function<bool()>& done)
{
    if (owner)
        EnableWindow(owner, FALSE);
    const ScopeGuard enable([owner] {
        if (owner)
            EnableWindow(owner, TRUE);
    });
    const FilterScope keys(*this, [window, &translate](const MSG& msg) {
        return window && (msg.hwnd == window || IsChild(window, msg.hwnd)) && translate(msg);
    });
    return RunUntil(done);
}

bool MessagePump::RunUntil(const std::function<bool()>& done)
{
    MSG msg;
    while (!done()) {
        if (!GetNext(msg))
            return false;
        Dispatch(msg);
    }
    return true;
}

}  // namespace vardex
