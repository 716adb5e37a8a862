#pragma once
// Where the system reports no window events of other programs (Wine), a thread of this class
// stands in for them during a lock session. Every period it reads the few facts that a window
// made, raised or shown changes: the top of the z-order, the window below the last topmost one
// (where a new or raised window lands), and whether each shell window found before shows. (A
// window that takes the foreground deactivates the lock screen, whose own messages wake the
// session loop.) When the reading differs from the last one, it signals an
// event that the session loop waits on. It only reads; the session loop acts. A plain sleep
// between two readings costs next to nothing there, where a timed wait for messages on the
// session's thread costs a call to the window system each time.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "win/UniqueHandle_win.h"

namespace vardex {

class WindowOrderWatch {
public:
    explicit WindowOrderWatch(DWORD periodMs) noexcept;
    WindowOrderWatch(const WindowOrderWatch&) = delete;
    WindowOrderWatch& operator=(const WindowOrderWatch&) = delete;
    ~WindowOrderWatch();

    // False when its thread could not start: the session loop then checks on a timer itself.
    bool Running() const noexcept { return thread_.Get() != nullptr; }
    // Signalled (auto-reset) when a reading differs from the last one.
    HANDLE Changed() const noexcept { return changed_.Get(); }
    // What to read besides the z-order and the foreground, as the last check found it.
    void Watch(const std::vector<HWND>& windows, HWND lastTopmost) noexcept;

private:
    static DWORD WINAPI Run(void* self) noexcept;
    std::vector<std::uintptr_t> Read() noexcept;

    const DWORD periodMs_;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<HWND> windows_;
    HWND lastTopmost_ = nullptr;
    UniqueKernelHandle changed_;
    UniqueKernelHandle thread_;
};

}  // namespace vardex
