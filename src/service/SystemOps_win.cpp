#include "SystemOps_win.h"

#include "common/SystemFacts_win.h"
#include "common/UniqueHandle_win.h"


#include <algorithm>
#include <cwchar>

namespace vardex {

namespace {
constexpr const wchar_t* kTaskManagerTitle = L"Windows Task Manager";
constexpr const wchar_t* kTaskbarClass = L"Shell_TrayWnd";
constexpr const wchar_t* kDesktopClass = L"Progman";
constexpr UINT kBroadcastTimeoutMs = 5000;

}  // namespace

bool IsNtPlatform() noexcept
{
    Win32SystemFacts system;
    return IsNtFamily(system);
}

bool SetPrivilege(const wchar_t* name, bool enable) noexcept
{
    if (!IsNtPlatform())
        return false;
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &rawToken))
        return false;
    const UniqueKernelHandle token(rawToken);
    TOKEN_PRIVILEGES privileges{};
    if (!LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid))
        return false;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    TOKEN_PRIVILEGES previous{};
    DWORD previousSize = sizeof previous;
    return AdjustTokenPrivileges(token.Get(), FALSE, &privileges, sizeof previous, &previous, &previousSize) != FALSE;
}

void SwitchToWindow(HWND window, bool restore) noexcept
{
    if (!IsWindowEnabled(window))
        return;
    const UniqueModule user32(LoadLibraryW(L"USER32.DLL"));
    if (!user32)
        return;
    using SwitchFunction = void(WINAPI*)(HWND, BOOL);
    if (const auto switchTo = GetProcedure<SwitchFunction>(user32, "SwitchToThisWindow")) {
        switchTo(window, restore);
        return;
    }
    SetForegroundWindow(window);
    if (restore && IsWindowVisible(window)) {
        if (!IsZoomed(window))
            SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
        SetFocus(window);
    }
}

void ShutdownComputer() noexcept
{
    SetPrivilege(SE_SHUTDOWN_NAME, true);
    DWORD_PTR ignored = 0;
    // A hung window elsewhere must not hold the shutdown up for ever.
    SendMessageTimeoutW(HWND_BROADCAST, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, kBroadcastTimeoutMs, &ignored);
    ExitWindowsEx(EWX_SHUTDOWN | EWX_FORCE | EWX_POWEROFF, 0);
    SetPrivilege(SE_SHUTDOWN_NAME, false);
}

bool EnterStandBy(bool suspend) noexcept
{
    SetPrivilege(SE_SHUTDOWN_NAME, true);
    const bool done = SetSystemPowerState(suspend, FALSE) != FALSE;
    SetPrivilege(SE_SHUTDOWN_NAME, false);
    return done;
}

void LockWorkStationIfAvailable() noexcept
{
    const UniqueModule user32(LoadLibraryW(L"USER32.DLL"));
    using LockFunction = BOOL(WINAPI*)();
    if (const auto lock = GetProcedure<LockFunction>(user32, "LockWorkStation"))
        lock();
}

bool ShellWindowGuard::IsShellWindow(HWND window) noexcept
{
    wchar_t text[64];
    if (GetClassNameW(window, text, 64) &&
        (std::wcscmp(text, kTaskbarClass) == 0 || std::wcscmp(text, kDesktopClass) == 0))
        return true;
    return GetWindowTextW(window, text, 64) && std::wcscmp(text, kTaskManagerTitle) == 0;
}

void ShellWindowGuard::Hide(HWND window) noexcept
{
    if (!window || !IsWindowVisible(window))
        return;
    ShowWindow(window, SW_HIDE);
    try {
        if (std::find(hidden_.begin(), hidden_.end(), window) == hidden_.end())
            hidden_.push_back(window);
    } catch (...) {
        // Out of memory: the window stays hidden, which is the safe side.
    }
}

void ShellWindowGuard::HideAll(bool withTitle) noexcept
{
    // Every such window, not only the first one found: a second taskbar or desktop window
    // (Explorer restarted, another shell) must not stay visible.
    const auto hideEvery = [this](const wchar_t* className, const wchar_t* title) {
        for (HWND window = FindWindowExW(nullptr, nullptr, className, title); window;
             window = FindWindowExW(nullptr, window, className, title))
            Hide(window);
    };
    hideEvery(kTaskbarClass, nullptr);
    hideEvery(kDesktopClass, nullptr);
    if (withTitle)
        hideEvery(nullptr, kTaskManagerTitle);
}

void ShellWindowGuard::Restore() noexcept
{
    for (HWND window : hidden_) {
        if (!IsWindow(window))
            continue;
        wchar_t title[64] = L"";
        GetWindowTextW(window, title, 64);
        ShowWindow(window, std::wcscmp(title, kTaskManagerTitle) == 0 ? SW_SHOWMINNOACTIVE : SW_SHOW);
    }
    hidden_.clear();
}

}  // namespace vardex
