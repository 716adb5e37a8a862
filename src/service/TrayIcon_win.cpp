#include "TrayIcon_win.h"

#include "common/Application.h"
#include "win/TextConvert_win.h"
#include "resource_ids.h"

#include <shellapi.h>

#include <cwchar>

namespace vardex {

namespace {
constexpr UINT kIconId = 1;

HICON LoadSmallIcon(int id) noexcept
{
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
}

void AddItem(HMENU menu, TrayCommand command, const wchar_t* caption)
{
    AppendMenuW(menu, MF_STRING, static_cast<UINT>(command), caption);
}

}  // namespace

TrayIcon::TrayIcon(HWND owner, UINT callbackMessage, std::function<void(TrayCommand)> onCommand)
    : owner_(owner), callbackMessage_(callbackMessage), onCommand_(std::move(onCommand)),
      icon_(LoadSmallIcon(IDI_VARDEX_TRAY)), menu_(CreatePopupMenu())
{
    HMENU menu = menu_.Get();
    AddItem(menu, TrayCommand::Lock, L"Vardex");
    AddItem(menu, TrayCommand::LockStandBy, L"Vardex+StandBy");
    AddItem(menu, TrayCommand::LockWorkStation, L"Lock WorkStation");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AddItem(menu, TrayCommand::Configure, L"Configure");
    const int size = GetSystemMetrics(SM_CXSMICON);
    images_.Add(static_cast<UINT>(TrayCommand::Lock), IDI_MENU_LOCK, size);
    images_.Add(static_cast<UINT>(TrayCommand::LockStandBy), IDI_MENU_LOCK_STANDBY, size);
    images_.Add(static_cast<UINT>(TrayCommand::LockWorkStation), IDI_MENU_LOCK_STANDBY, size);
    images_.Add(static_cast<UINT>(TrayCommand::Configure), IDI_MENU_CONFIGURE, size);
    images_.Attach(menu);
}

TrayIcon::~TrayIcon()
{
    if (active_) {
        NOTIFYICONDATAW data = IconData();
        Shell_NotifyIconW(NIM_DELETE, &data);
    }
}

NOTIFYICONDATAW TrayIcon::IconData() const noexcept
{
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner_;
    data.uID = kIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = callbackMessage_;
    data.hIcon = icon_.Get();
    const std::wstring tip = Widen(kApplicationTitle);
    wcsncpy(data.szTip, tip.c_str(), ARRAYSIZE(data.szTip) - 1);
    return data;
}

bool TrayIcon::Activate() noexcept
{
    if (active_)
        return true;
    NOTIFYICONDATAW data = IconData();
    active_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
    return active_;
}

bool TrayIcon::Notify(const std::wstring& text, Notice kind) noexcept
{
    if (!active_)
        return false;
    NOTIFYICONDATAW data = IconData();
    data.uFlags = NIF_INFO;
    wcsncpy(data.szInfo, text.c_str(), ARRAYSIZE(data.szInfo) - 1);
    const std::wstring title = Widen(kApplicationTitle);
    wcsncpy(data.szInfoTitle, title.c_str(), ARRAYSIZE(data.szInfoTitle) - 1);
    data.dwInfoFlags = kind == Notice::Warning ? NIIF_WARNING : NIIF_INFO;
    data.uTimeout = 15000;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

void TrayIcon::Recreate() noexcept
{
    if (!active_)
        return;
    active_ = false;
    Activate();
}

void TrayIcon::SetCaption(TrayCommand command, const std::wstring& caption) noexcept
{
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING;
    item.dwTypeData = const_cast<wchar_t*>(caption.c_str());
    SetMenuItemInfoW(menu_.Get(), static_cast<UINT>(command), FALSE, &item);
}

void TrayIcon::SetConfigureEnabled(bool enabled) noexcept
{
    const UINT state = enabled ? MF_ENABLED : MF_GRAYED;
    EnableMenuItem(menu_.Get(), static_cast<UINT>(TrayCommand::Configure), MF_BYCOMMAND | state);
}

void TrayIcon::ShowPopup(POINT where)
{
    // The owner must be in front, or the menu does not close when the user clicks elsewhere.
    SetForegroundWindow(owner_);
    const UINT command = static_cast<UINT>(TrackPopupMenu(menu_.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                                          where.x, where.y, 0, owner_, nullptr));
    PostMessageW(owner_, WM_NULL, 0, 0);
    if (command != 0)
        onCommand_(static_cast<TrayCommand>(command));
}

bool TrayIcon::HandleMenuDrawing(UINT message, LPARAM lParam) noexcept
{
    return images_.Handle(message, lParam);
}

void TrayIcon::HandleCallback(LPARAM event)
{
    switch (LOWORD(event)) {
    case WM_LBUTTONDBLCLK:
        onCommand_(TrayCommand::Lock);
        break;
    case WM_RBUTTONUP: {
        POINT where;
        GetCursorPos(&where);
        ShowPopup(where);
        break;
    }
    default:
        break;
    }
}

}  // namespace vardex
