#include "OrderWatch_win.h"

#include "win/ProcessProtection_win.h"

namespace vardex {

WindowOrderWatch::WindowOrderWatch(DWORD periodMs) noexcept
    : periodMs_(periodMs), changed_(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
    if (changed_)
        thread_ = StartProtectedThread(Run, this);
}

WindowOrderWatch::~WindowOrderWatch()
{
    stopping_ = true;
    if (thread_)
        WaitForSingleObject(thread_.Get(), INFINITE);
}

void WindowOrderWatch::Watch(const std::vector<HWND>& windows, HWND lastTopmost) noexcept
{
    const std::lock_guard<std::mutex> lock(mutex_);
    try {
        windows_ = windows;
    } catch (...) {
        // Out of memory: the old list stays; the full passes still find them.
    }
    lastTopmost_ = lastTopmost;
}

std::vector<std::uintptr_t> WindowOrderWatch::Read() noexcept
{
    std::vector<std::uintptr_t> reading;
    try {
        const std::lock_guard<std::mutex> lock(mutex_);
        reading.reserve(windows_.size() + 2);
        reading.push_back(reinterpret_cast<std::uintptr_t>(GetTopWindow(nullptr)));
        reading.push_back(reinterpret_cast<std::uintptr_t>(lastTopmost_ ? GetWindow(lastTopmost_, GW_HWNDNEXT) : nullptr));
        for (HWND window : windows_)
            reading.push_back(static_cast<std::uintptr_t>(GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE));
    } catch (...) {
        // Out of memory: an empty reading, which differs from the last one and wakes the loop.
        reading.clear();
    }
    return reading;
}

DWORD WINAPI WindowOrderWatch::Run(void* self) noexcept
{
    auto& watch = *static_cast<WindowOrderWatch*>(self);
    std::vector<std::uintptr_t> last;
    while (!watch.stopping_) {
        Sleep(watch.periodMs_);
        std::vector<std::uintptr_t> reading = watch.Read();
        if (reading != last || reading.empty())
            SetEvent(watch.changed_.Get());
        last = std::move(reading);
    }
    return 0;
}

}  // namespace vardex
