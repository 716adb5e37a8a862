#pragma once
// Small helpers for the controls of dialogs and pages.
#include <windows.h>

#include <string>

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

}  // namespace vardex
