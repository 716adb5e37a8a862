#include "SystemOps_win.h"

#include "win/SystemFacts_win.h"
#include "win/UniqueHandle_win.h"


#include <algorithm>
#include <optional>
#include <cwchar>

namespace vardex {

namespace {

// A kind of window the session hides: by class or by title (a title search is the costly one).
struct ShellWindowKind {
    const wchar_t* className;
    const wchar_t* title;
    bool taskManager;  // comes back minimised and inactive
};
constexpr ShellWindowKind kShellWindows[] = {
    {L"Shell_TrayWnd", nullptr, false},
    {L"Progman", nullptr, false},
    {L"TaskManagerWindow", nullptr, true},
    {nullptr, L"Windows Task Manager", true},
    {nullptr, L"Task Manager", true},
};

// For a top-level window, the same as IsWindowVisible (the desktop is always shown), at a third
// of its cost for another program's window under Wine.
bool IsShownTopLevel(HWND window) noexcept
{
    return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

const ShellWindowKind* KindOf(HWND window) noexcept
{
    wchar_t className[64] = L"", title[64] = L"";
    GetClassNameW(window, className, 64);
    GetWindowTextW(window, title, 64);
    for (const ShellWindowKind& kind : kShellWindows)
        if (std::wcscmp(kind.className ? className : title, kind.className ? kind.className : kind.title) == 0)
            return &kind;
    return nullptr;
}

// Switches the hot-key flag off in an accessibility setting read with get; true when it was read.
template <typename Setting>
bool SwitchHotKeyOff(UINT get, UINT set, Setting& saved, DWORD hotKeyFlag) noexcept
{
    if (!SystemParametersInfoW(get, sizeof saved, &saved, 0))
        return false;
    if (saved.dwFlags & hotKeyFlag) {
        Setting off = saved;
        off.dwFlags &= ~hotKeyFlag;
        SystemParametersInfoW(set, sizeof off, &off, 0);  // for this logon only, not stored
    }
    return true;
}

template <typename Setting>
void PutBack(UINT set, Setting& saved, bool read) noexcept
{
    if (read)
        SystemParametersInfoW(set, sizeof saved, &saved, 0);
}
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

void LogOffUser() noexcept
{
    // Our own session only, which needs no privilege; where this fails, the guardian ends the
    // session when the grace it was told of is over.
    ExitWindowsEx(EWX_LOGOFF | EWX_FORCEIFHUNG, 0);
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

namespace {
// The integrity level of a token (its mandatory label's last sub-authority), or nothing.
std::optional<DWORD> IntegrityLevel(HANDLE token) noexcept
{
    DWORD size = 0;
    GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size))
        return std::nullopt;
    const PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer.data())->Label.Sid;
    return *GetSidSubAuthority(sid, static_cast<DWORD>(*GetSidSubAuthorityCount(sid) - 1));
}

// A copy of our token at the medium level, or nothing.
UniqueKernelHandle MediumLevelToken(HANDLE own) noexcept
{
    HANDLE raw = nullptr;
    if (!DuplicateTokenEx(own, TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT, nullptr,
                          SecurityImpersonation, TokenPrimary, &raw))
        return UniqueKernelHandle();
    UniqueKernelHandle token(raw);
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof sid;
    TOKEN_MANDATORY_LABEL label{};
    label.Label.Sid = sid;
    label.Label.Attributes = SE_GROUP_INTEGRITY;
    if (!CreateWellKnownSid(WinMediumLabelSid, nullptr, sid, &sidSize) ||
        !SetTokenInformation(token.Get(), TokenIntegrityLevel, &label, sizeof label + GetLengthSid(sid)))
        return UniqueKernelHandle();
    return token;
}
}  // namespace

void StartAtUserLevel(const std::wstring& commandLine) noexcept
{
    try {
        HANDLE raw = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY, &raw))
            return;
        const UniqueKernelHandle own(raw);
        const std::optional<DWORD> level = IntegrityLevel(own.Get());
        const bool raised = !level || *level > SECURITY_MANDATORY_MEDIUM_RID;
        const UniqueKernelHandle lowered = raised ? MediumLevelToken(own.Get()) : UniqueKernelHandle();
        if (raised && !lowered)
            return;
        std::wstring line = commandLine;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        const BOOL done = lowered ? CreateProcessAsUserW(lowered.Get(), nullptr, line.data(), nullptr, nullptr, FALSE, 0,
                                                         nullptr, nullptr, &startup, &started)
                                  : CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                                   &startup, &started);
        if (done) {
            CloseHandle(started.hThread);
            CloseHandle(started.hProcess);
        }
    } catch (...) {
        // Nothing started: the safe side.
    }
}

bool ShellWindowGuard::IsShellWindow(HWND window) noexcept
{
    return KindOf(window) != nullptr;
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

void ShellWindowGuard::HideAll() noexcept
{
    // Every such window, not only the first one found: a second taskbar or desktop window
    // (Explorer restarted, another shell) must not stay visible.
    for (const ShellWindowKind& kind : kShellWindows)
        if (kind.className)
            for (HWND window = FindWindowExW(nullptr, nullptr, kind.className, nullptr); window;
                 window = FindWindowExW(nullptr, window, kind.className, nullptr)) {
                Note(window);
                if (IsShownTopLevel(window))
                    Hide(window);
            }
    // The titles in one walk over the visible windows, which are few: cheaper than a search
    // through every window for each title.
    for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT))
        HideShownOf(window);
    WalkTopOfOrder();
}

void ShellWindowGuard::HideChanged() noexcept
{
    // A window that is gone reads a style of 0 and is dropped (were it only hidden and plain, the
    // searches find it again).
    std::erase_if(found_, [this](HWND window) {
        const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
        if (style & WS_VISIBLE)
            Hide(window);
        return style == 0;
    });
    // A window made or raised goes to one of these two places; a window at one of them that
    // was closed reads as a change too.
    if (GetTopWindow(nullptr) != top_ || (lastTopmost_ && GetWindow(lastTopmost_, GW_HWNDNEXT) != firstBelowTopmost_))
        WalkTopOfOrder();
}

void ShellWindowGuard::WalkTopOfOrder() noexcept
{
    top_ = GetTopWindow(nullptr);
    lastTopmost_ = nullptr;
    HWND window = top_;
    for (; window && (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST); window = GetWindow(window, GW_HWNDNEXT)) {
        HideIfShell(window);
        lastTopmost_ = window;
    }
    firstBelowTopmost_ = window;
    if (window)
        HideIfShell(window);
}

void ShellWindowGuard::HideIfShell(HWND window) noexcept
{
    // Noted while still hidden too: a window made and then shown moves nowhere in the z-order.
    if (KindOf(window)) {
        Note(window);
        if (IsShownTopLevel(window))
            Hide(window);
    }
}

void ShellWindowGuard::HideShownOf(HWND window) noexcept
{
    if (IsShownTopLevel(window) && KindOf(window)) {
        Note(window);
        Hide(window);
    }
}

void ShellWindowGuard::Note(HWND window) noexcept
{
    try {
        if (std::find(found_.begin(), found_.end(), window) == found_.end())
            found_.push_back(window);
    } catch (...) {
        // Out of memory: the searches still find it.
    }
}

void ShellWindowGuard::Forget() noexcept
{
    hidden_.clear();
    found_.clear();
    top_ = lastTopmost_ = firstBelowTopmost_ = nullptr;
}

void ShellWindowGuard::Restore() noexcept
{
    for (HWND window : hidden_) {
        if (!IsWindow(window))
            continue;
        const ShellWindowKind* kind = KindOf(window);
        ShowWindow(window, kind && kind->taskManager ? SW_SHOWMINNOACTIVE : SW_SHOW);
    }
    hidden_.clear();
}

AccessibilityHotKeys::AccessibilityHotKeys() noexcept
{
    stickyRead_ = SwitchHotKeyOff(SPI_GETSTICKYKEYS, SPI_SETSTICKYKEYS, sticky_, SKF_HOTKEYACTIVE);
    filterRead_ = SwitchHotKeyOff(SPI_GETFILTERKEYS, SPI_SETFILTERKEYS, filter_, FKF_HOTKEYACTIVE);
    toggleRead_ = SwitchHotKeyOff(SPI_GETTOGGLEKEYS, SPI_SETTOGGLEKEYS, toggle_, TKF_HOTKEYACTIVE);
}

AccessibilityHotKeys::~AccessibilityHotKeys()
{
    PutBack(SPI_SETSTICKYKEYS, sticky_, stickyRead_);
    PutBack(SPI_SETFILTERKEYS, filter_, filterRead_);
    PutBack(SPI_SETTOGGLEKEYS, toggle_, toggleRead_);
}

}  // namespace vardex
