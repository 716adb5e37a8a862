#include "RootPage_win.h"

#include "win/TextConvert_win.h"

namespace vardex {

void RootPage::ShowFor(const NavigationNodes& nodes, int node)
{
    HWND list = List();
    const RedrawPause pause(list);
    ListView_DeleteAllItems(list);
    int row = 0;
    for (const int child : nodes.Children(node)) {
        const NavigationNode& shown = nodes.At(child);
        const std::wstring text = Widen(shown.caption);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = row++;
        item.pszText = const_cast<wchar_t*>(text.c_str());
        item.iImage = shown.image;
        item.lParam = child;
        ListView_InsertItem(list, &item);
    }
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

int RootPage::SelectedChild() const noexcept
{
    HWND list = List();
    const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    if (row < 0)
        return -1;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    ListView_GetItem(list, &item);
    return static_cast<int>(item.lParam);
}

void RootPage::ChangeLook(const PageLook& look)
{
    // No title: the list is the page.
    look_ = look;
    ListView_SetImageList(List(), look.largeNodeImages, LVSIL_NORMAL);
}

}  // namespace vardex
