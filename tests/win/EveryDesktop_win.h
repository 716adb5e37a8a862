#pragma once
// For the test helpers: a look at the windows of every desktop of the window station, the
// service's own prompt desktops included. Under Wine, which knows no integrity levels, a program
// of the same user may open them. Each look runs on a thread put on its desktop: Wine's FindWindow,
// EnumWindows and EnumDesktopWindows see only the calling thread's desktop.
#include <windows.h>

#include <functional>
#include <string>
#include <thread>

namespace vardex::test {

// Runs look(desktop name) on each desktop in turn until one returns true; true when one did.
inline bool LookOnEveryDesktop(const std::function<bool(const std::wstring&)>& look)
{
    struct Search {
        const std::function<bool(const std::wstring&)>& look;
        bool found = false;
    } search{look};
    EnumDesktopsW(
        GetProcessWindowStation(),
        [](LPWSTR name, LPARAM data) noexcept -> BOOL {
            auto& state = *reinterpret_cast<Search*>(data);
            const HDESK desktop = OpenDesktopW(name, 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE);
            if (!desktop)
                return TRUE;
            std::thread([&state, desktop, text = std::wstring(name)] {
                if (SetThreadDesktop(desktop))
                    state.found = state.look(text);
            }).join();
            CloseDesktop(desktop);
            return !state.found;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace vardex::test
