#include "KeyboardFilter_win.h"

#include "KeyboardFilter.h"
#include "SystemOps_win.h"

namespace vardex {

namespace {
// The hook procedure has no context of its own; one filter is installed at a time.
TaskSwitchKeyFilter keyRule;

bool IsDown(int virtualKey) noexcept
{
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

LRESULT CALLBACK FilterProcedure(int code, WPARAM wParam, LPARAM lParam) noexcept
{
    if (code == HC_ACTION) {
        const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        // Wine leaves the Alt flag off the Tab of an Alt+Tab: ask the key state as well. The
        // physical state, not the thread's: this thread may not have taken the modifier's own
        // events yet (a modal loop runs), so its key state can be stale.
        const LowLevelKey key{static_cast<unsigned>(wParam), event->vkCode,
                              (event->flags & LLKHF_ALTDOWN) != 0 || IsDown(VK_MENU), IsDown(VK_CONTROL)};
        if (keyRule.ShouldSwallow(key))
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
}  // namespace

void KeyboardFilter::Install() noexcept
{
    if (!IsNtPlatform() || hook_)
        return;
    keyRule = TaskSwitchKeyFilter();
    hook_.Reset(SetWindowsHookExW(WH_KEYBOARD_LL, FilterProcedure, GetModuleHandleW(nullptr), 0));
}

}  // namespace vardex
