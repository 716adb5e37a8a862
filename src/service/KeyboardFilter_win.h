#pragma once
// The session's low-level keyboard filter (NT family only). It runs on a thread of its own that
// does nothing else, so that the system never finds it slow and removes it (a hook that keeps
// the system waiting is dropped silently). In case the system removed it all the same, that
// thread installs it afresh when the filter was called late (the system may have given up on
// it), and when the session finds input the filter did not see (it went silent). Only Remove
// ends that thread.
#include "win/UniqueHandle_win.h"

#include <atomic>

namespace vardex {

class KeyboardFilter {
public:
    KeyboardFilter() = default;
    KeyboardFilter(const KeyboardFilter&) = delete;
    KeyboardFilter& operator=(const KeyboardFilter&) = delete;
    ~KeyboardFilter() { Remove(); }

    // Does nothing on Windows 9x or when installed already; when the filter cannot be started,
    // it stays uninstalled and the next install tries again.
    void Install() noexcept;
    void Remove() noexcept;
    // While a session runs: the filter is started again when its thread has ended, or when it
    // could not be started before.
    void KeepRunning() noexcept;
    bool Installed() const noexcept { return static_cast<bool>(thread_); }
    // A read: the filter's thread has ended (or never started).
    bool Stopped() const noexcept;
    // Signalled when the filter's thread ends: the session's loop waits on it too.
    HANDLE Thread() const noexcept { return thread_.Get(); }
    // Input the system took at inputTime (a message's or the last input's time): when the filter
    // saw nothing as late, it may have been removed, and is installed afresh.
    void CheckHeard(unsigned long inputTime) noexcept;

    static constexpr unsigned kReinstallMs = 1000;

private:
    UniqueKernelHandle thread_;
    UniqueKernelHandle reinstall_;
    unsigned long long lastReinstallAsked_ = 0;
    unsigned long threadId_ = 0;
    std::atomic<bool> stopping_ = false;
    unsigned long long lastStartTry_ = 0;
};

}  // namespace vardex
