#include "ConfigPage_win.h"

#include "win/TextConvert_win.h"
#include "config_ids.h"

#include <algorithm>

namespace vardex {

int IconIndex(const std::vector<int>& icons, int icon) noexcept
{
    const auto found = std::find(icons.begin(), icons.end(), icon);
    return found == icons.end() ? 0 : static_cast<int>(found - icons.begin());
}

void ConfigPage::Create(HWND parent, int templateId, int icon, const RECT& area)
{
    titleIconId_ = icon;
    CreatePage(parent, templateId);
    MoveItem(Handle(), area);
}

void ConfigPage::SetShown(bool shown) noexcept
{
    shown_ = shown;
    ShowWindow(Handle(), shown ? SW_SHOW : SW_HIDE);
}

void ConfigPage::ChangeLook(const PageLook& look)
{
    look_ = look;
    titleIcon_.Reset(LoadIconAt(titleIconId_, look.largeIcon));
    SetTitleLook(look.titleFont, titleIcon_.Get());
}

void ConfigPage::SetTitleLook(HFONT font, HICON icon) noexcept
{
    HWND title = Item(IDC_PAGE_TITLE);
    HWND picture = Item(IDC_PAGE_ICON);
    if (!title || !picture)
        return;
    SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SendMessageW(picture, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    // The title centred on its icon.
    const RECT iconRect = ItemRect(Handle(), picture), titleRect = ItemRect(Handle(), title);
    TEXTMETRICW metrics{};
    {
        const WindowDC dc(title);
        const SelectedObject selected(dc.Get(), font);
        GetTextMetricsW(dc.Get(), &metrics);
    }
    const int height = metrics.tmHeight + metrics.tmExternalLeading;
    MoveItem(title, titleRect.left, (iconRect.top + iconRect.bottom - height) / 2, titleRect.right - titleRect.left,
             height);
}

void ConfigPage::SetTitle(const std::wstring& title) noexcept
{
    SetDlgItemTextW(Handle(), IDC_PAGE_TITLE, title.c_str());
}

std::string ConfigPage::Title() const
{
    return Narrow(ItemText(Handle(), IDC_PAGE_TITLE));
}

void ConfigPage::DataChange()
{
    if (Filling())
        return;
    model_.DataChange();
    if (onChange_)
        onChange_();
}

}  // namespace vardex
