#pragma once
// Which keys the session's low-level keyboard filter swallows: the task-switching keys.

namespace vardex {

struct LowLevelKey {
    unsigned message = 0;      // WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN or WM_SYSKEYUP
    unsigned virtualKey = 0;
    bool altDown = false;      // the event's Alt flag, or Alt held according to the system
    bool ctrlDown = false;
};

// Alt+Tab, Alt+Esc and Ctrl+Esc, key-down and key-up alike; every other event passes.
bool ShouldSwallowKey(const LowLevelKey& key) noexcept;

// The same rule, remembering the keys it swallowed on the way down: their release is swallowed
// too even when the modifier was let go first, so that no half of a combination gets through.
class TaskSwitchKeyFilter {
public:
    bool ShouldSwallow(const LowLevelKey& key) noexcept;

private:
    bool tabHeld_ = false;
    bool escapeHeld_ = false;
};

}  // namespace vardex
