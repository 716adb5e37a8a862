#include "ShellWatch_win.h"

#include "SystemOps_win.h"

namespace vardex {

ShellWatch* ShellWatch::active_ = nullptr;

ShellWatch::ShellWatch(ShellWindowGuard& guard) noexcept : guard_(guard)
{
    active_ = this;
    // Shown, and renamed: a window may take the Task Manager's title after it showed.
    showHook_.Reset(SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_NAMECHANGE, nullptr, OnEvent, 0, 0,
                                    WINEVENT_OUTOFCONTEXT));
    foregroundHook_.Reset(SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, OnEvent, 0, 0,
                                          WINEVENT_OUTOFCONTEXT));
}

ShellWatch::~ShellWatch()
{
    active_ = nullptr;
}

void CALLBACK ShellWatch::OnEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG, DWORD, DWORD) noexcept
{
    // A foreground change needs nothing here: delivering the event wakes the session loop.
    if (!active_ || (event != EVENT_OBJECT_SHOW && event != EVENT_OBJECT_NAMECHANGE) || !window ||
        object != OBJID_WINDOW)
        return;
    if (GetAncestor(window, GA_PARENT) == GetDesktopWindow() && ShellWindowGuard::IsShellWindow(window))
        active_->guard_.Hide(window);
}

}  // namespace vardex
