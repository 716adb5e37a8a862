#pragma once
// Which C++ object a window of this process belongs to, kept in the process's own memory. Not in
// the window's user data: any program on the desktop may rewrite that (SetWindowLongPtr), and a
// window whose object it could clear or swap would then take its messages from the default
// procedure alone, close included.
#include <windows.h>

#include <mutex>
#include <unordered_map>

namespace vardex {

template <typename Object>
class WindowObjects {
public:
    static void Bind(HWND window, Object* object)
    {
        const std::lock_guard lock(Mutex());
        Map()[window] = object;
    }
    static void Unbind(HWND window) noexcept
    {
        const std::lock_guard lock(Mutex());
        Map().erase(window);
    }
    // The object, or nullptr when the window has none (yet, or any more).
    static Object* Find(HWND window) noexcept
    {
        const std::lock_guard lock(Mutex());
        const auto found = Map().find(window);
        return found == Map().end() ? nullptr : found->second;
    }

private:
    static std::unordered_map<HWND, Object*>& Map()
    {
        static std::unordered_map<HWND, Object*> map;
        return map;
    }
    static std::mutex& Mutex()
    {
        static std::mutex mutex;
        return mutex;
    }
};

}  // namespace vardex
