#pragma once
// The lock hot key: a 16-bit shortcut code (virtual key in bits 0-12, Shift 0x2000, Ctrl 0x4000,
// Alt 0x8000), its system registration, its text in the tray menu and the value of the
// configuration's hot-key field.
#include "Texts.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vardex {

inline constexpr int kHotKeyId = 4097;

struct HotKeyRegistration {
    unsigned modifiers = 0;  // MOD_ALT 1, MOD_CONTROL 2, MOD_SHIFT 4
    unsigned virtualKey = 0;
    bool operator==(const HotKeyRegistration&) const = default;
};

HotKeyRegistration HotKeyToRegistration(std::uint16_t code) noexcept;

// Gives the keyboard layout's name of a virtual key ("" when it has none).
using LayoutKeyName = std::function<std::string(unsigned virtualKey)>;

// "Shift+Ctrl+Alt+A": the set modifiers, named in the texts' language ("Strg" in German), then
// the key's name; empty when the key has no name.
std::string HotKeyText(std::uint16_t code, const LayoutKeyName& layoutKeyName, const Texts& texts = EnglishTexts());

// The caption of the lock action and of the first tray menu item: "Vardex  " and the text.
std::string LockActionCaption(std::uint16_t code, const LayoutKeyName& layoutKeyName,
                              const Texts& texts = EnglishTexts());

// The hot-key control's value (virtual key in the low byte; Shift 1, Ctrl 2, Alt 4 in the high
// byte) as the shortcut code the lock service stores (Shift 0x2000, Ctrl 0x4000, Alt 0x8000),
// and back.
std::uint16_t ShortcutFromHotKeyField(std::uint16_t fieldValue) noexcept;
std::uint16_t HotKeyFieldFromShortcut(std::uint16_t code) noexcept;

}  // namespace vardex
