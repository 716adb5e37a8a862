#include "KeyboardFilter.h"

namespace vardex {

namespace {
constexpr unsigned kKeyDown = 0x100, kKeyUp = 0x101, kSysKeyDown = 0x104, kSysKeyUp = 0x105;
constexpr unsigned kTab = 0x09, kEscape = 0x1B;

bool IsKeyMessage(unsigned message) noexcept
{
    return message == kKeyDown || message == kKeyUp || message == kSysKeyDown || message == kSysKeyUp;
}
}  // namespace

bool ShouldSwallowKey(const LowLevelKey& key) noexcept
{
    if (!IsKeyMessage(key.message))
        return false;
    if (key.virtualKey == kTab)
        return key.altDown;
    if (key.virtualKey == kEscape)
        return key.altDown || key.ctrlDown;
    return false;
}

bool TaskSwitchKeyFilter::ShouldSwallow(const LowLevelKey& key) noexcept
{
    bool* held = key.virtualKey == kTab ? &tabHeld_ : key.virtualKey == kEscape ? &escapeHeld_ : nullptr;
    const bool swallow = ShouldSwallowKey(key);
    if (!held || !IsKeyMessage(key.message))
        return swallow;
    const bool down = key.message == kKeyDown || key.message == kSysKeyDown;
    if (down) {
        *held = swallow;
        return swallow;
    }
    const bool wasSwallowed = *held;
    *held = false;
    return swallow || wasSwallowed;
}

}  // namespace vardex
