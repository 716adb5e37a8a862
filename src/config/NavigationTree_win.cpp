#include "NavigationTree_win.h"

#include "win/Controls_win.h"
#include "win/TextConvert_win.h"

namespace vardex {

int NavigationTree::Add(NodeKind kind, const std::string& caption, int image, int userIndex)
{
    const int node = nodes_.Add(kind, caption, image, userIndex);
    const int parent = nodes_.At(node).parent;
    const std::wstring text = Widen(caption);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent >= 0 ? items_[static_cast<size_t>(parent)] : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.iImage = insert.item.iSelectedImage = image;
    insert.item.lParam = node;
    items_.push_back(TreeView_InsertItem(view_, &insert));
    return node;
}

int NavigationTree::Selected() const noexcept
{
    HTREEITEM item = TreeView_GetSelection(view_);
    if (!item)
        return -1;
    TVITEMW data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    TreeView_GetItem(view_, &data);
    return static_cast<int>(data.lParam);
}

void NavigationTree::Select(int node) noexcept
{
    if (nodes_.Contains(node))
        TreeView_SelectItem(view_, items_[static_cast<size_t>(node)]);
}

bool NavigationTree::IsExpanded(int node) const noexcept
{
    return nodes_.Contains(node) &&
           (TreeView_GetItemState(view_, items_[static_cast<size_t>(node)], TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

void NavigationTree::Expand(int node, bool expand) noexcept
{
    if (nodes_.Contains(node))
        TreeView_Expand(view_, items_[static_cast<size_t>(node)], expand ? TVE_EXPAND : TVE_COLLAPSE);
}

void NavigationTree::ExpandAll() noexcept
{
    for (HTREEITEM item : items_)
        TreeView_Expand(view_, item, TVE_EXPAND);
}

bool NavigationTree::SelectAt(POINT point) noexcept
{
    HTREEITEM item = TreeItemAt(view_, point);
    if (item)
        TreeView_SelectItem(view_, item);
    return item != nullptr;
}

}  // namespace vardex
