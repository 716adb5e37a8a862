#include "Controls_win.h"

#include <commctrl.h>

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

}  // namespace vardex
