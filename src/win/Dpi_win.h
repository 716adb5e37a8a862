#pragma once
// The resolution a window is shown at, for the sizes of fonts, icons and image lists.
#include <windows.h>

namespace vardex {

// The window's DPI where the system knows it per window (Windows 10), else the screen's.
UINT WindowDpi(HWND window) noexcept;

// The programs' one face (a sans serif of the Swiss family) with a character height in pixels.
HFONT CreateUiFont(int characterHeight, int weight, bool underline = false) noexcept;

inline int ScaleForDpi(int value, UINT dpi) noexcept
{
    return MulDiv(value, static_cast<int>(dpi), 96);
}

}  // namespace vardex
