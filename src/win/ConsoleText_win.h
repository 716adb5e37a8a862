#pragma once
// Text for a console program's standard handles.
#include <windows.h>

#include <string_view>

namespace vardex {

// On a console, as its characters (whatever its code page); to a pipe or a file, as UTF-8.
void WriteText(HANDLE handle, std::string_view text) noexcept;

}  // namespace vardex
