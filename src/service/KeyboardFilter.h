#pragma once
// Which keys the session's low-level keyboard filter swallows: the task-switching keys, the
// Windows keys with everything pressed while one is held, the Menu key and Shift+F10. The keys
// that switch the keyboard layout keep working: Alt+Shift and Ctrl+Shift pass, and Windows+Space,
// which the system cannot see once the Windows key is swallowed, the filter carries out itself.
#include <bitset>

namespace vardex {

struct LowLevelKey {
    unsigned message = 0;      // WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN or WM_SYSKEYUP
    unsigned virtualKey = 0;
    bool altDown = false;      // the event's Alt flag, or Alt held according to the system
    bool ctrlDown = false;
    bool shiftDown = false;
};

// The rule for one event: Alt+Tab, Alt+Esc, Ctrl+Esc, Shift+F10, the Menu key, either Windows
// key, and any key while a Windows key is held; key-down and key-up alike.
bool ShouldSwallowKey(const LowLevelKey& key, bool windowsKeyHeld = false) noexcept;

enum class LayoutSwitch { None, Next, Previous };

// Windows+Space switches to the next layout, Shift+Windows+Space to the previous one, on the
// press; with Ctrl or Alt held it is some other command and switches nothing.
LayoutSwitch LayoutSwitchOf(const LowLevelKey& key, bool windowsKeyHeld) noexcept;

// The same rule with the state it needs: it follows the Windows keys itself (once swallowed,
// the system no longer knows they are down), and swallows the release of every key whose press
// it swallowed, even when the modifier was let go first, so that no half of a combination gets
// through.
class SessionKeyFilter {
public:
    struct Verdict {
        bool swallow = false;
        // The switch the filter makes for a swallowed Windows+Space; none for a press the key's
        // repeat makes, so that holding Space switches once.
        LayoutSwitch layoutSwitch = LayoutSwitch::None;
    };
    Verdict Judge(const LowLevelKey& key) noexcept;
    bool ShouldSwallow(const LowLevelKey& key) noexcept { return Judge(key).swallow; }

private:
    std::bitset<256> swallowedDown_;
    bool leftWindowsHeld_ = false;
    bool rightWindowsHeld_ = false;
};

}  // namespace vardex
