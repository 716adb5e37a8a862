#pragma once
// During a lock session, learns at once when a window is shown, renamed, raised, moved or made
// topmost, or another takes the foreground (system window events), so that the session loop can
// wait instead of polling: the taskbar, the desktop and the Task Manager are hidden again as soon
// as they show, and every such event has the loop check the lock screen at once. (Wine does not
// report other programs' windows; there the session loop's short check passes do the work.)
#include "SystemOps_win.h"
#include "win/UniqueHandle_win.h"

#include <functional>

namespace vardex {

class ShellWatch {
public:
    // changed: called for every event that may have weakened the lock.
    ShellWatch(ShellWindowGuard& guard, std::function<void()> changed) noexcept;
    ShellWatch(const ShellWatch&) = delete;
    ShellWatch& operator=(const ShellWatch&) = delete;
    ~ShellWatch();

    // Whether the system reports other programs' windows to these hooks: not under Wine.
    static bool ReportsOtherProgramsWindows() noexcept;

private:
    static void CALLBACK OnEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child,
                                 DWORD thread, DWORD time) noexcept;
    void Changed() noexcept;

    ShellWindowGuard& guard_;
    std::function<void()> changed_;
    // From EVENT_OBJECT_SHOW to EVENT_OBJECT_NAMECHANGE: shown, raised (reorder), moved or
    // sized (location change) and renamed among them.
    UniqueWinEventHook showHook_;
    UniqueWinEventHook foregroundHook_;
    // The callbacks have no context of their own; one session at a time runs on the thread.
    static ShellWatch* active_;
};

}  // namespace vardex
