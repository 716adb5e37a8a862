#include "HotKey.h"

namespace vardex {

namespace {
constexpr std::uint16_t kShiftBit = 0x2000;
constexpr std::uint16_t kCtrlBit = 0x4000;
constexpr std::uint16_t kAltBit = 0x8000;
constexpr unsigned kModAlt = 1, kModControl = 2, kModShift = 4;

std::string KeyName(unsigned vk, const LayoutKeyName& layoutKeyName)
{
    static const char* const kNavigation[] = {"Space", "PgUp", "PgDn", "End", "Home", "Left", "Up", "Right", "Down"};
    switch (vk) {
    case 0x08: return "BkSp";
    case 0x09: return "Tab";
    case 0x0D: return "Enter";
    case 0x1B: return "Esc";
    case 0x2D: return "Ins";
    case 0x2E: return "Del";
    default: break;
    }
    if (vk >= 0x20 && vk <= 0x28)
        return kNavigation[vk - 0x20];
    if (vk >= 0x30 && vk <= 0x39)
        return std::string(1, static_cast<char>('0' + (vk - 0x30)));
    if (vk >= 0x60 && vk <= 0x69)
        return std::string(1, static_cast<char>('0' + (vk - 0x60)));
    if (vk >= 0x41 && vk <= 0x5A)
        return std::string(1, static_cast<char>(vk));
    if (vk >= 0x70 && vk <= 0x87)
        return "F" + std::to_string(vk - 0x70 + 1);
    return layoutKeyName ? layoutKeyName(vk) : std::string();
}
}  // namespace

HotKeyRegistration HotKeyToRegistration(std::uint16_t code) noexcept
{
    HotKeyRegistration registration;
    if (code & kShiftBit)
        registration.modifiers |= kModShift;
    if (code & kCtrlBit)
        registration.modifiers |= kModControl;
    if (code & kAltBit)
        registration.modifiers |= kModAlt;
    registration.virtualKey = code & 0x1FFFu;
    return registration;
}

std::string HotKeyText(std::uint16_t code, const LayoutKeyName& layoutKeyName, const Texts& texts)
{
    const std::string name = KeyName(code & 0xFFu, layoutKeyName);
    if (name.empty())
        return {};
    std::string text;
    if (code & kShiftBit)
        text += texts.Get(TextId::KeyShift) + "+";
    if (code & kCtrlBit)
        text += texts.Get(TextId::KeyCtrl) + "+";
    if (code & kAltBit)
        text += texts.Get(TextId::KeyAlt) + "+";
    return text + name;
}

std::string LockActionCaption(std::uint16_t code, const LayoutKeyName& layoutKeyName, const Texts& texts)
{
    return "Vardex  " + HotKeyText(code, layoutKeyName, texts);
}

namespace {
struct ModifierBits {
    std::uint16_t field;
    std::uint16_t code;
};
constexpr ModifierBits kModifiers[] = {{1, 0x2000}, {2, 0x4000}, {4, 0x8000}};
}  // namespace

std::uint16_t ShortcutFromHotKeyField(std::uint16_t fieldValue) noexcept
{
    const auto modifiers = static_cast<std::uint16_t>(fieldValue >> 8);
    auto code = static_cast<std::uint16_t>(fieldValue & 0xFF);
    for (const ModifierBits& bits : kModifiers)
        if (modifiers & bits.field)
            code |= bits.code;
    return code;
}

std::uint16_t HotKeyFieldFromShortcut(std::uint16_t code) noexcept
{
    std::uint16_t modifiers = 0;
    for (const ModifierBits& bits : kModifiers)
        if (code & bits.code)
            modifiers |= bits.field;
    return static_cast<std::uint16_t>((modifiers << 8) | (code & 0xFF));
}

}  // namespace vardex
