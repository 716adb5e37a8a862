#include "HotKey_win.h"

#include "common/HotKey.h"
#include "win/TextConvert_win.h"

namespace vardex {

bool LockHotKey::Hold(std::uint16_t code) noexcept
{
    if (code == code_ && (registered_ || code == 0))
        return true;
    Release();
    code_ = code;
    return code == 0 || Register();
}

bool LockHotKey::Register() noexcept
{
    const HotKeyRegistration registration = HotKeyToRegistration(code_);
    registered_ = RegisterHotKey(window_, kHotKeyId, registration.modifiers, registration.virtualKey) != FALSE;
    return registered_;
}

void LockHotKey::Release() noexcept
{
    UnregisterHotKey(window_, kHotKeyId);
    registered_ = false;
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
