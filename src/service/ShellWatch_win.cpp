#include "ShellWatch_win.h"

#include "SystemOps_win.h"

namespace vardex {

ShellWatch* ShellWatch::active_ = nullptr;

ShellWatch::ShellWatch(ShellWindowGuard& guard, std::function<void()> changed) noexcept
    : guard_(guard), changed_(std::move(changed))
{
    active_ = this;
    // Shown, raised, moved and renamed: a window may take the Task Manager's title after it
    // showed.
    showHook_.Reset(SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_NAMECHANGE, nullptr, OnEvent, 0, 0,
                                    WINEVENT_OUTOFCONTEXT));
    foregroundHook_.Reset(SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, OnEvent, 0, 0,
                                          WINEVENT_OUTOFCONTEXT));
}

ShellWatch::~ShellWatch()
{
    active_ = nullptr;
}

bool ShellWatch::ReportsOtherProgramsWindows() noexcept
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return !ntdll || !GetProcAddress(ntdll, "wine_get_version");
}

void CALLBACK ShellWatch::OnEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG, DWORD, DWORD) noexcept
{
    if (!active_)
        return;
    // A reorder is reported for the window whose children changed places: the desktop's among
    // them, whatever the object.
    if (event == EVENT_OBJECT_REORDER) {
        active_->Changed();
        return;
    }
    // The pointer's moves (OBJID_CURSOR) and the windows' parts weaken nothing; neither do child
    // windows.
    if (!window || object != OBJID_WINDOW || GetAncestor(window, GA_PARENT) != GetDesktopWindow())
        return;
    const bool shown = event == EVENT_OBJECT_SHOW || event == EVENT_OBJECT_NAMECHANGE;
    if (!shown && event != EVENT_OBJECT_LOCATIONCHANGE && event != EVENT_SYSTEM_FOREGROUND)
        return;
    if (shown && ShellWindowGuard::IsShellWindow(window))
        active_->guard_.Hide(window);
    active_->Changed();
}

void ShellWatch::Changed() noexcept
{
    if (changed_)
        changed_();
}

}  // namespace vardex
