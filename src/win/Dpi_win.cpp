#include "Dpi_win.h"

#include "UniqueHandle_win.h"

namespace vardex {

UINT WindowDpi(HWND window) noexcept
{
    using Function = UINT(WINAPI*)(HWND);
    // Looked up once: the function exists from Windows 10 on.
    static const auto forWindow = reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (forWindow && window)
        if (const UINT dpi = forWindow(window))
            return dpi;
    const WindowDC screen(nullptr);
    return static_cast<UINT>(GetDeviceCaps(screen.Get(), LOGPIXELSY));
}

HFONT CreateUiFont(int characterHeight, int weight, bool underline) noexcept
{
    return CreateFontW(-characterHeight, 0, 0, 0, weight, FALSE, underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       L"MS Sans Serif");
}

}  // namespace vardex
