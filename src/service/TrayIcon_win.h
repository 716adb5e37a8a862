#pragma once
// The notification-area icon and its menu TrayPopup: lock, lock then stand by, the system's
// workstation lock, and the configuration.
#include "win/MenuImages_win.h"
#include "win/UniqueHandle_win.h"

#include <shellapi.h>

#include <functional>
#include <string>

namespace vardex {

enum class TrayCommand : UINT { Lock = 1, LockStandBy = 2, LockWorkStation = 3, Configure = 4 };

class TrayIcon {
public:
    // The icon's messages reach owner as callbackMessage; the owner hands them to HandleCallback.
    TrayIcon(HWND owner, UINT callbackMessage, std::function<void(TrayCommand)> onCommand);
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;
    ~TrayIcon();

    bool Active() const noexcept { return active_; }
    // Shows the icon; false when the notification area refused it (for instance not there yet).
    bool Activate() noexcept;
    // The taskbar was created again (Explorer restarted): add the icon again when it was shown.
    void Recreate() noexcept;
    // A notification from the icon (a balloon, or a toast on Windows 10 and later); false when
    // the icon is not shown.
    enum class Notice { Information, Warning };
    bool Notify(const std::wstring& text, Notice kind) noexcept;
    // Takes a notification shown or about to be shown away (an empty one is none).
    void ClearNotification() noexcept { Notify(std::wstring(), Notice::Information); }
    // The menu item's caption (the lock's shows its hot key; the others, the user's language).
    void SetCaption(TrayCommand command, const std::wstring& caption) noexcept;
    void SetConfigureEnabled(bool enabled) noexcept;
    void HandleCallback(LPARAM event);
    // The menu's pictures are drawn by the owner window: it hands WM_MEASUREITEM and
    // WM_DRAWITEM here; true when they were the menu's.
    bool HandleMenuDrawing(UINT message, LPARAM lParam) noexcept;
    HMENU Popup() const noexcept { return menu_.Get(); }

private:
    void ShowPopup(POINT where);
    NOTIFYICONDATAW IconData() const noexcept;

    HWND owner_;
    UINT callbackMessage_;
    std::function<void(TrayCommand)> onCommand_;
    UniqueIcon icon_;
    UniqueMenu menu_;
    MenuImages images_;
    bool active_ = false;
};

}  // namespace vardex
