#pragma once
// Small platform operations of the lock service: privileges, switching to a window, the
// computer's shutdown and standby, the system's own workstation lock, the shell's windows.
#include <windows.h>

#include <string>
#include <vector>

namespace vardex {

// The longest a message to another program's windows (a broadcast, the running lock service) is
// waited for: a hung one holds nothing of ours up for longer.
inline constexpr UINT kBroadcastTimeoutMs = 5000;

bool IsNtPlatform() noexcept;
// Switches a privilege of the process's token on or off; false on failure or on Windows 9x.
bool SetPrivilege(const wchar_t* name, bool enable) noexcept;
// Makes the window the foreground window; restores it first when asked and it is not maximised.
void SwitchToWindow(HWND window, bool restore) noexcept;
// Ends the Windows session and powers the computer off (forced).
void ShutdownComputer() noexcept;
// Ends the user's Windows session (forced where a program hangs).
void LogOffUser() noexcept;
// Sends the computer into standby (or hibernation when suspend is false); true on success.
bool EnterStandBy(bool suspend) noexcept;
// The system's own workstation lock, where it exists.
void LockWorkStationIfAvailable() noexcept;
// Starts a program for the user at the user's own integrity level, below the raised one the
// guardian may have given the lock service: a window of the user's must never be one of ours,
// at our level. Nothing is started where the level cannot be lowered.
void StartAtUserLevel(const std::wstring& commandLine) noexcept;

// The windows a lock session hides: the Task Manager (by either of its titles or by its class),
// the taskbar and the desktop's icons. It remembers the ones it hid, and shows only those again
// when the session ends by password.
class ShellWindowGuard {
public:
    // True when the window is one of them, by its class or its title.
    static bool IsShellWindow(HWND window) noexcept;
    // Hides every one of them that is visible: a search by class and a walk through every
    // top-level window for the titles, the costly part.
    void HideAll() noexcept;
    // The cheap check between two searches, where no window events come: the ones found before
    // are hidden again when shown, and the windows at the two places where a new or raised window
    // lands (the top of the z-order, and the top of the windows that are not topmost) are looked
    // at only when another window stands there than at the last check.
    void HideChanged() noexcept;
    // Hides one window that was just shown.
    void Hide(HWND window) noexcept;
    // Shows the taskbar and the desktop again, and the Task Manager minimised and inactive.
    void Restore() noexcept;
    void Forget() noexcept;
    // What HideChanged reads, for a watch that reads it elsewhere.
    const std::vector<HWND>& Found() const noexcept { return found_; }
    HWND LastTopmost() const noexcept { return lastTopmost_; }

private:
    void Note(HWND window) noexcept;
    void HideShownOf(HWND window) noexcept;
    void HideIfShell(HWND window) noexcept;
    // Looks at the windows from the top down to the first one that is not topmost.
    void WalkTopOfOrder() noexcept;

    std::vector<HWND> hidden_;
    std::vector<HWND> found_;  // shown or not, as the last searches found them
    HWND top_ = nullptr;
    HWND lastTopmost_ = nullptr;
    HWND firstBelowTopmost_ = nullptr;
};

// The accessibility hot keys (Shift five times for Sticky Keys, Shift held for Filter Keys, Num
// Lock held for Toggle Keys) open settings windows over a lock: switched off while it lasts, and
// put back as they were afterwards. The features themselves stay as the user set them.
class AccessibilityHotKeys {
public:
    AccessibilityHotKeys() noexcept;
    AccessibilityHotKeys(const AccessibilityHotKeys&) = delete;
    AccessibilityHotKeys& operator=(const AccessibilityHotKeys&) = delete;
    ~AccessibilityHotKeys();

private:
    STICKYKEYS sticky_{sizeof(STICKYKEYS), 0};
    FILTERKEYS filter_{sizeof(FILTERKEYS), 0, 0, 0, 0, 0};
    TOGGLEKEYS toggle_{sizeof(TOGGLEKEYS), 0};
    bool stickyRead_ = false, filterRead_ = false, toggleRead_ = false;
};

}  // namespace vardex
