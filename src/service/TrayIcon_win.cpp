#include "TrayIcon_win.h"

#include "common/Application.h"
#include "common/TextConvert_win.h"
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

}  // namespace

TrayIcon::TrayIcon(HWND owner, UINT callbackMessage, std::function<void(TrayCommand)> onCommand)
    : owner_(owner), callbackMessage_(callbackMessage), onCommand_(std::move(onCommand)),
      icon_(LoadSmallIcon(IDI_VARDEX_TRAY)), menu_(CreatePopupMenu())
{
    const int imageIds[] = {IDI_MENU_LOCK, IDI_MENU_LOCK_STANDBY, IDI_MENU_CONFIGURE};
    for (int i = 0; i < 3; ++i)
        images_[i].Reset(LoadSmallIcon(imageIds[i]));
    AddItem(TrayCommand::Lock, L"Vardex", 0);
    AddItem(TrayCommand::LockStandBy, L"Vardex+StandBy", 1);
    AddItem(TrayCommand::LockWorkStation, L"Lock WorkStation", 1);
    AppendMenuW(menu_.Get(), MF_SEPARATOR, 0, nullptr);
    AddItem(TrayCommand::Configure, L"Configure", 2);
}

TrayIcon::~TrayIcon()
{
    if (active_) {
        NOTIFYICONDATAW data = IconData();
        Shell_NotifyIconW(NIM_DELETE, &data);
    }
}

void TrayIcon::AddItem(TrayCommand command, const wchar_t* caption, int image)
{
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE;
    item.fType = MFT_STRING;
    item.wID = static_cast<UINT>(command);
    item.dwTypeData = const_cast<wchar_t*>(caption);
    if (images_[image]) {
        // Drawn by the owner: alpha-blended menu bitmaps are not drawn alike everywhere.
        item.fMask |= MIIM_BITMAP | MIIM_DATA;
        item.hbmpItem = HBMMENU_CALLBACK;
        item.dwItemData = static_cast<ULONG_PTR>(image);
    }
    InsertMenuItemW(menu_.Get(), static_cast<UINT>(GetMenuItemCount(menu_.Get())), TRUE, &item);
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

void TrayIcon::Recreate() noexcept
{
    if (!active_)
        return;
    active_ = false;
    Activate();
}

void TrayIcon::SetLockCaption(const std::wstring& caption) noexcept
{
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING;
    item.dwTypeData = const_cast<wchar_t*>(caption.c_str());
    SetMenuItemInfoW(menu_.Get(), static_cast<UINT>(TrayCommand::Lock), FALSE, &item);
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
    const int size = GetSystemMetrics(SM_CXSMICON);
    if (message == WM_MEASUREITEM) {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (measure->CtlType != ODT_MENU || measure->itemData >= 3)
            return false;
        measure->itemWidth = static_cast<UINT>(size);
        measure->itemHeight = static_cast<UINT>(size);
        return true;
    }
    const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (draw->CtlType != ODT_MENU || draw->hwndItem != reinterpret_cast<HWND>(menu_.Get()) || draw->itemData >= 3)
        return false;
    const int top = draw->rcItem.top + (draw->rcItem.bottom - draw->rcItem.top - size) / 2;
    DrawIconEx(draw->hDC, draw->rcItem.left, top, images_[draw->itemData].Get(), size, size, 0, nullptr, DI_NORMAL);
    return true;
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
