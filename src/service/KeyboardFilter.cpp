#include "KeyboardFilter.h"

namespace vardex {

namespace {
constexpr unsigned kKeyDown = 0x100, kKeyUp = 0x101, kSysKeyDown = 0x104, kSysKeyUp = 0x105;
constexpr unsigned kTab = 0x09, kEscape = 0x1B, kSpace = 0x20, kF10 = 0x79;
constexpr unsigned kLeftWindows = 0x5B, kRightWindows = 0x5C, kMenuKey = 0x5D;

bool IsKeyMessage(unsigned message) noexcept
{
    return message == kKeyDown || message == kKeyUp || message == kSysKeyDown || message == kSysKeyUp;
}

bool IsDown(unsigned message) noexcept
{
    return message == kKeyDown || message == kSysKeyDown;
}
}  // namespace

bool ShouldSwallowKey(const LowLevelKey& key, bool windowsKeyHeld) noexcept
{
    if (!IsKeyMessage(key.message))
        return false;
    switch (key.virtualKey) {
    case kLeftWindows:
    case kRightWindows:
    case kMenuKey: return true;
    case kTab: return key.altDown || windowsKeyHeld;
    case kEscape: return key.altDown || key.ctrlDown || windowsKeyHeld;
    case kF10: return key.shiftDown || windowsKeyHeld;
    default: return windowsKeyHeld;
    }
}

LayoutSwitch LayoutSwitchOf(const LowLevelKey& key, bool windowsKeyHeld) noexcept
{
    if (key.virtualKey != kSpace || !IsDown(key.message) || !windowsKeyHeld || key.ctrlDown || key.altDown)
        return LayoutSwitch::None;
    return key.shiftDown ? LayoutSwitch::Previous : LayoutSwitch::Next;
}

SessionKeyFilter::Verdict SessionKeyFilter::Judge(const LowLevelKey& key) noexcept
{
    if (!IsKeyMessage(key.message))
        return {};
    const bool down = IsDown(key.message);
    if (key.virtualKey == kLeftWindows)
        leftWindowsHeld_ = down;
    else if (key.virtualKey == kRightWindows)
        rightWindowsHeld_ = down;
    const bool windowsHeld = leftWindowsHeld_ || rightWindowsHeld_;
    const bool swallow = ShouldSwallowKey(key, windowsHeld);
    const unsigned index = key.virtualKey & 0xFF;
    if (down) {
        const bool repeated = swallowedDown_[index];
        swallowedDown_[index] = swallow;
        return {swallow, repeated ? LayoutSwitch::None : LayoutSwitchOf(key, windowsHeld)};
    }
    const bool pressWasSwallowed = swallowedDown_[index];
    swallowedDown_[index] = false;
    return {swallow || pressWasSwallowed};
}

}  // namespace vardex
