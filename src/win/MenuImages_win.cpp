#include "MenuImages_win.h"

#include "Controls_win.h"

namespace vardex {

void MenuImages::Add(UINT command, int iconId, int size)
{
    size_ = size;
    icons_[command].Reset(LoadIconAt(iconId, size));
}

void MenuImages::Attach(HMENU menu) const noexcept
{
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            Attach(sub);
            continue;
        }
        const UINT command = GetMenuItemID(menu, i);
        if (!icons_.count(command))
            continue;
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_BITMAP;
        item.hbmpItem = HBMMENU_CALLBACK;
        SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
    }
}

bool MenuImages::Handle(UINT message, LPARAM lParam) const noexcept
{
    if (message == WM_MEASUREITEM) {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (measure->CtlType != ODT_MENU || !icons_.count(measure->itemID))
            return false;
        measure->itemWidth = static_cast<UINT>(size_);
        measure->itemHeight = static_cast<UINT>(size_);
        return true;
    }
    if (message != WM_DRAWITEM)
        return false;
    const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    const auto icon = icons_.find(draw->itemID);
    if (draw->CtlType != ODT_MENU || icon == icons_.end())
        return false;
    const int top = draw->rcItem.top + (draw->rcItem.bottom - draw->rcItem.top - size_) / 2;
    DrawIconEx(draw->hDC, draw->rcItem.left, top, icon->second.Get(), size_, size_, 0, nullptr, DI_NORMAL);
    return true;
}

}  // namespace vardex
