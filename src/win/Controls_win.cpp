#include "Controls_win.h"

#include "TextConvert_win.h"

#include "UniqueHandle_win.h"

#include <commctrl.h>

#include <vector>

namespace vardex {

std::wstring WindowText(HWND window)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

HWND AddTooltip(HWND dialog, HWND control, const wchar_t* text)
{
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, 400);  // lines break at "\n"
    return tip;
}

}  // namespace vardex

namespace vardex {

void CentreOn(HWND window, HWND on) noexcept
{
    RECT around{}, self{};
    GetWindowRect(on, &around);
    GetWindowRect(window, &self);
    SetWindowPos(window, nullptr, (around.left + around.right - (self.right - self.left)) / 2,
                 (around.top + around.bottom - (self.bottom - self.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void MoveItem(HWND item, const RECT& to) noexcept
{
    SetWindowPos(item, nullptr, to.left, to.top, to.right - to.left, to.bottom - to.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

PointerPlace PointerOver(HWND control) noexcept
{
    PointerPlace place;
    GetCursorPos(&place.screen);
    place.client = place.screen;
    ScreenToClient(control, &place.client);
    return place;
}

int PopupMenuAt(HMENU menu, POINT where, HWND owner) noexcept
{
    return static_cast<int>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, where.x, where.y, 0, owner, nullptr));
}

HICON LoadIconAt(int id, int size) noexcept
{
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
}

HIMAGELIST IconImageList(const int* ids, size_t count, int size)
{
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, static_cast<int>(count), 0);
    for (size_t i = 0; i < count; ++i) {
        const UniqueIcon icon(LoadIconAt(ids[i], size));  // the list keeps a copy
        ImageList_AddIcon(list, icon.Get());
    }
    return list;
}

void SetToolButtons(HWND toolbar, HIMAGELIST images, const int* commands, size_t count, BYTE state)
{
    std::vector<TBBUTTON> buttons;
    int image = 0;
    for (size_t i = 0; i < count; ++i) {
        TBBUTTON button{};
        button.idCommand = commands[i];
        button.fsStyle = commands[i] ? BTNS_BUTTON : BTNS_SEP;
        button.fsState = state;
        button.iBitmap = commands[i] ? image++ : 0;
        buttons.push_back(button);
    }
    while (SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0) > 0)
        SendMessageW(toolbar, TB_DELETEBUTTON, 0, 0);
    SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    SendMessageW(toolbar, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
}

std::wstring FileFilter(std::initializer_list<std::pair<std::string, std::string>> kinds)
{
    std::wstring filter;
    for (const auto& [name, patterns] : kinds)
        filter += Widen(name) + L'\0' + Widen(patterns) + L'\0';
    return filter;  // its own null ends the list
}

}  // namespace vardex
