#include "HotKey_win.h"

#include "HotKey.h"
#include "common/TextConvert_win.h"

namespace vardex {

void RegisterLockHotKey(HWND window, std::uint16_t code) noexcept
{
    UnregisterLockHotKey(window);
    const HotKeyRegistration registration = HotKeyToRegistration(code);
    RegisterHotKey(window, kHotKeyId, registration.modifiers, registration.virtualKey);
}

void UnregisterLockHotKey(HWND window) noexcept
{
    UnregisterHotKey(window, kHotKeyId);
}

std::string LayoutKeyNameOf(unsigned virtualKey)
{
    const UINT scanCode = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    if (scanCode == 0)
        return {};
    wchar_t name[64];
    const int length = GetKeyNameTextW(static_cast<LONG>(scanCode << 16), name, 64);
    return length > 0 ? Narrow(std::wstring_view(name, static_cast<size_t>(length))) : std::string();
}

}  // namespace vardex
