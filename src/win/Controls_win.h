#pragma once
// Small helpers for the controls of dialogs and pages.
#include "common/FillingScope.h"

#include <windows.h>

#include <commctrl.h>

#include <cstddef>
#include <initializer_list>
#include <string>
#include <utility>

namespace vardex {

std::wstring WindowText(HWND window);
inline std::wstring ItemText(HWND dialog, int id)
{
    return WindowText(GetDlgItem(dialog, id));
}
inline bool IsChecked(HWND dialog, int id) noexcept
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}
inline void SetChecked(HWND dialog, int id, bool checked) noexcept
{
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}
// A child window's rectangle in its parent's client coordinates.
inline RECT ItemRect(HWND parent, HWND child) noexcept
{
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}
// A window's height on the screen.
inline int WindowHeight(HWND window) noexcept
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect.bottom - rect.top;
}
// Puts a window centred on another (its owner), keeping its size.
void CentreOn(HWND window, HWND on) noexcept;
// Moves and sizes a child window to a rectangle of its parent's client area, its place among
// its siblings kept.
void MoveItem(HWND item, const RECT& to) noexcept;
inline void MoveItem(HWND item, int left, int top, int width, int height) noexcept
{
    MoveItem(item, RECT{left, top, left + width, top + height});
}

// Where the pointer is, on the screen and in a control's client coordinates (a right click's
// popup opens at the first, the control's hit test takes the second).
struct PointerPlace {
    POINT screen{}, client{};
};
PointerPlace PointerOver(HWND control) noexcept;
// The tree view's item at a point of its client area, or none.
inline HTREEITEM TreeItemAt(HWND tree, POINT point) noexcept
{
    TVHITTESTINFO hit{};
    hit.pt = point;
    return TreeView_HitTest(tree, &hit);
}
// A right-click popup menu at a point of the screen, owned by owner; the command chosen, 0 for none.
int PopupMenuAt(HMENU menu, POINT where, HWND owner) noexcept;

// An icon of the program's resources at a size (square), owned by the caller.
HICON LoadIconAt(int id, int size) noexcept;
// An image list of the program's icons at a size, in the order of ids; owned by the caller.
HIMAGELIST IconImageList(const int* ids, size_t count, int size);
// Replaces a tool bar's buttons: one per command, in order, 0 for a separator; the n-th button
// shows the n-th image of images. state is every button's state (enabled, wrapped ...).
void SetToolButtons(HWND toolbar, HIMAGELIST images, const int* commands, size_t count, BYTE state);

// Stops a control's redrawing for a batch of changes; drawn once, whole, at the end (turning
// redrawing back on repaints nothing by itself).
class RedrawPause {
public:
    explicit RedrawPause(HWND control) noexcept : control_(control) { SendMessageW(control_, WM_SETREDRAW, FALSE, 0); }
    ~RedrawPause()
    {
        SendMessageW(control_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(control_, nullptr, TRUE);
    }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

private:
    HWND control_;
};

// A tooltip on a control; lines separated by "\n". The tooltip window is returned (owned by
// the dialog: it goes with it).
HWND AddTooltip(HWND dialog, HWND control, const wchar_t* text);

// The filter of a file dialog: each kind of file's name ("Bitmap Files (*.bmp)") and patterns
// ("*.bmp"), as the dialog takes them (each ended by a null, the list by another).
std::wstring FileFilter(std::initializer_list<std::pair<std::string, std::string>> kinds);

}  // namespace vardex
