#pragma once
// The lock hot key's system registration.
#include <windows.h>

#include <cstdint>
#include <string>

namespace vardex {

// The window's one lock hot key. The code asked for is kept registered: asked for again, it is
// left as it is (it is never let go for a moment); changed, the old one goes first. A code
// that could not be registered (another program holds the combination) is tried again when it
// is asked for again.
class LockHotKey {
public:
    explicit LockHotKey(HWND window) noexcept : window_(window) {}
    LockHotKey(const LockHotKey&) = delete;
    LockHotKey& operator=(const LockHotKey&) = delete;
    ~LockHotKey() { Release(); }

    // False when the code, not 0, could not be registered.
    bool Hold(std::uint16_t code) noexcept;
    bool Missing() const noexcept { return code_ != 0 && !registered_; }
    void Release() noexcept;

private:
    bool Register() noexcept;

    HWND window_;
    std::uint16_t code_ = 0;
    bool registered_ = false;
};

// The keyboard layout's name of a virtual key, "" when the key has no scan code.
std::string LayoutKeyNameOf(unsigned virtualKey);

}  // namespace vardex
