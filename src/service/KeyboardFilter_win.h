#pragma once
// The session's low-level keyboard filter (NT family only): swallows the task-switching keys.
#include "common/UniqueHandle_win.h"

namespace vardex {

class KeyboardFilter {
public:
    // Does nothing on Windows 9x or when installed already; a failure leaves it uninstalled
    // and the next install tries again.
    void Install() noexcept;
    void Remove() noexcept { hook_.Reset(); }
    bool Installed() const noexcept { return static_cast<bool>(hook_); }

private:
    UniqueHook hook_;
};

}  // namespace vardex
