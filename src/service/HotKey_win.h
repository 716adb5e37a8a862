#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace vardex {

// Replaces the window's lock hot key registration by the code's; 0 or a taken combination
// leaves no hot key. Failures are silent.
void RegisterLockHotKey(HWND window, std::uint16_t code) noexcept;
void UnregisterLockHotKey(HWND window) noexcept;
// The keyboard layout's name of a virtual key, "" when the key has no scan code.
std::string LayoutKeyNameOf(unsigned virtualKey);

}  // namespace vardex
