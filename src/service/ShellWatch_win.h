#pragma once
// During a lock session, learns at once when a window is shown, renamed or another takes the
// foreground (system window events), so that the session loop can wait instead of polling: the
// taskbar, the desktop and the Task Manager are hidden again as soon as they show, and a change
// of the foreground wakes the loop, which brings the lock screen back. (Wine does not report
// other programs' windows; there the session loop's passes do the work.)
#include "SystemOps_win.h"
#include "win/UniqueHandle_win.h"

namespace vardex {

class ShellWatch {
public:
    explicit ShellWatch(ShellWindowGuard& guard) noexcept;
    ShellWatch(const ShellWatch&) = delete;
    ShellWatch& operator=(const ShellWatch&) = delete;
    ~ShellWatch();

private:
    static void CALLBACK OnEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child,
                                 DWORD thread, DWORD time) noexcept;

    ShellWindowGuard& guard_;
    UniqueWinEventHook showHook_;
    UniqueWinEventHook foregroundHook_;
    // The callbacks have no context of their own; one session at a time runs on the thread.
    static ShellWatch* active_;
};

}  // namespace vardex
