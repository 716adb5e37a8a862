#include "ConsoleText_win.h"

#include "TextConvert_win.h"

#include <string>

namespace vardex {

void WriteText(HANDLE handle, std::string_view text) noexcept
{
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(handle, &mode)) {
        try {
            const std::wstring wide = Widen(text);
            WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
            return;
        } catch (...) {
            // without the memory for the wide text, the bytes as they are
        }
    }
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace vardex
