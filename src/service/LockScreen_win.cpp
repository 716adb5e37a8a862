#include "LockScreen_win.h"

#include "SystemOps_win.h"
#include "UnlockPrompt.h"
#include "UnlockPrompt_win.h"
#include "win/Dpi_win.h"
#include "win/ErrorReport_win.h"
#include "win/Picture_win.h"
#include "win/TextConvert_win.h"

#include <algorithm>

namespace vardex {

namespace {
// At most this many of the prompt's events are taken after its end: a flood of forged ones must
// not hold up the session.
constexpr int kMostPromptInputAfterItsEnd = 100;
// The window's state bits, which the system and the session change: not part of its own styles.
constexpr LONG_PTR kStateBits = WS_VISIBLE | WS_DISABLED | WS_MINIMIZE | WS_MAXIMIZE;

RECT VirtualScreen() noexcept
{
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

struct Monitor {
    RECT area;  // in the lock screen's coordinates, whose origin is the virtual screen's
    bool primary;
    HMONITOR handle;
};

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) noexcept
{
    auto* monitors = reinterpret_cast<std::vector<Monitor>*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(monitor, &info))
        monitors->push_back({info.rcMonitor, (info.dwFlags & MONITORINFOF_PRIMARY) != 0, monitor});
    return TRUE;
}

// Each monitor's own resolution where the system has one per monitor (Windows 8.1 and later),
// else the window's: the library is looked up once for all of them.
std::vector<UINT> MonitorDpis(const std::vector<Monitor>& monitors, HWND window) noexcept
{
    using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    std::vector<UINT> dpis(monitors.size(), WindowDpi(window));
    if (HMODULE shcore = LoadLibraryW(L"shcore.dll")) {
        if (const auto get = reinterpret_cast<GetDpiForMonitorFunction>(
                reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor"))))
            for (std::size_t i = 0; i < monitors.size(); ++i) {
                UINT dpi = 0, dpiY = 0;
                if (SUCCEEDED(get(monitors[i].handle, 0 /* effective */, &dpi, &dpiY)) && dpi)
                    dpis[i] = dpi;
            }
        FreeLibrary(shcore);
    }
    return dpis;
}

std::vector<Monitor> Monitors() noexcept
{
    std::vector<Monitor> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    const RECT screen = VirtualScreen();
    for (Monitor& monitor : monitors)
        OffsetRect(&monitor.area, -screen.left, -screen.top);
    return monitors;
}

}  // namespace

LockScreen::LockScreen(HWND window, LockSession& session)
    : window_(window), session_(session), ownStyle_(GetWindowLongPtrW(window, GWL_STYLE) & ~kStateBits),
      ownExStyle_(GetWindowLongPtrW(window, GWL_EXSTYLE)),
      secretPanel_(std::make_unique<TSecretPanel>(window, [this](UINT message) { TakeInput(message); }))
{
}

std::optional<LRESULT> LockScreen::Answer(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case kPromptInputMessage:
        TakePromptInput(wParam);
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_MOUSEMOVE:
        TakeInput(message);
        return 0;
    case WM_SETFOCUS:
        HandPromptInput(session_, PromptInput::FocusChanged);
        return 0;
    case WM_SETCURSOR:
        SetCursor(nullptr);  // no pointer over the lock screen
        return TRUE;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        return Paint();
    case WM_DISPLAYCHANGE:
        ReadScreen();
        if (IsWindowVisible(window_)) {
            CoverVirtualScreen();
            PlaceSecretPanel();
            PlaceStatusBlocks();
            InvalidateRect(window_, nullptr, TRUE);  // every monitor's picture where it now is
        }
        return 0;
    case WM_DPICHANGED:
        // The lock screen keeps covering every monitor: the suggested size is not taken, the
        // status blocks are measured again.
        PlaceStatusBlocks();
        return 0;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
        // High contrast switched on or off, another message font.
        if (IsWindowVisible(window_))
            PlaceStatusBlocks();
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

void LockScreen::TakeInput(UINT message)
{
    if (const std::optional<PromptInput> input = InputOfMessage(message))
        HandPromptInput(session_, *input);
}

void LockScreen::TakePromptInput(WPARAM code)
{
    const std::optional<PromptInput> input = PromptInputOf(code);
    if (!input || !session_.Active())
        return;
    if (*input == PromptInput::Closed)
        promptHoldsForeground_ = false;
    else
        HandPromptInput(session_, *input);
}

void LockScreen::TakePostedPromptInput()
{
    MSG msg;
    for (int taken = 0; taken < kMostPromptInputAfterItsEnd &&
                        PeekMessageW(&msg, window_, kPromptInputMessage, kPromptInputMessage, PM_REMOVE);
         ++taken)
        TakePromptInput(msg.wParam);
}

void LockScreen::PromptEnded() noexcept
{
    promptHoldsForeground_ = false;
    promptOwnedByLockScreen_ = false;
}

void LockScreen::Show(const LockServiceSettings& settings, bool defaultPicture)
{
    LoadBackground(settings);
    defaultPicture_ = defaultPicture;
    panelVisible_ = true;
    secretPanel_->SetVisible(secretPanel_->HasLines());
    if (secretPanel_->HasLines())
        secretPanel_->StartScrolling();
    CoverVirtualScreen();
    PlaceSecretPanel();
    PlaceStatusBlocks();
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(window_);
    // The status blocks with it, at once: not when the queue next runs empty.
    RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void LockScreen::Hide() noexcept
{
    ShowWindow(window_, SW_HIDE);
    secretPanel_->StopScrolling();
    background_.reset();
}

void LockScreen::ReadScreen() noexcept
{
    screen_ = VirtualScreen();
}

void LockScreen::CoverVirtualScreen() noexcept
{
    // Every monitor is covered, not just the one a maximised window would fill.
    ReadScreen();
    SetWindowPos(window_, HWND_TOPMOST, screen_.left, screen_.top, screen_.right - screen_.left,
                 screen_.bottom - screen_.top, SWP_NOACTIVATE);
}

void LockScreen::PlaceSecretPanel() noexcept
{
    // The window's origin is the virtual screen's.
    const RECT screen = VirtualScreen();
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    secretPanel_->Place(width / 4 - screen.left, height / 4 - screen.top, width / 2, height / 2);
}

void LockScreen::KeepInFront() noexcept
{
    // Each full pass reads the virtual screen anew: a monitor added, removed or moved is covered
    // even when no display change was reported (Wine reports none for its X server's changes).
    const RECT was = screen_;
    ReadScreen();
    KeepTopLevel();
    if (!IsWindowVisible(window_) || IsIconic(window_))
        ShowWindow(window_, SW_SHOWNOACTIVATE);
    // Disabled only by its own prompt, which enables it again when it closes.
    if (!promptOwnedByLockScreen_ && !IsWindowEnabled(window_))
        EnableWindow(window_, TRUE);
    if (!Covers() || !IsAboveOtherWindows())
        CoverVirtualScreen();
    if (!EqualRect(&was, &screen_)) {
        PlaceSecretPanel();
        try {
            PlaceStatusBlocks();
        } catch (...) {
            // Out of memory for a block: the lock goes on without it.
        }
        InvalidateRect(window_, nullptr, TRUE);
    }
}

bool LockScreen::Covers() const noexcept
{
    RECT now;
    GetWindowRect(window_, &now);
    return EqualRect(&now, &screen_) && (GetWindowLongPtrW(window_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

bool LockScreen::InPlace() const noexcept
{
    if (!IsTopLevelAsMade() || !IsWindowVisible(window_) || IsIconic(window_) ||
        (!promptOwnedByLockScreen_ && !IsWindowEnabled(window_)) || !Covers() || !IsAboveOtherWindows())
        return false;
    return promptHoldsForeground_ || GetForegroundWindow() == window_;
}

bool LockScreen::IsTopLevelAsMade() const noexcept
{
    return GetAncestor(window_, GA_PARENT) == GetDesktopWindow() && !GetWindow(window_, GW_OWNER) &&
           (GetWindowLongPtrW(window_, GWL_STYLE) & ~kStateBits) == ownStyle_ &&
           GetWindowLongPtrW(window_, GWL_EXSTYLE) == ownExStyle_;
}

void LockScreen::KeepForeground() noexcept
{
    // Until the prompt has closed, it holds the foreground, on the lock screen's desktop or on a
    // desktop of its own that is shown instead; losing it (or that desktop) cancels the prompt.
    if (!promptHoldsForeground_ && GetForegroundWindow() != window_)
        BringToFront(WakeClick::Yes);
}

void LockScreen::BringToFront(WakeClick click)
{
    SendMessageW(window_, WM_CANCELMODE, 0, 0);
    BringWindowToTop(window_);
    SwitchToWindow(window_, true);
    if (click == WakeClick::Yes) {
        // Where the pointer is: on the lock screen the right button only wakes.
        mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_RIGHTDOWN, 0, 0, 0, 0);
        mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_RIGHTUP, 0, 0, 0, 0);
    }
}

bool LockScreen::IsAboveOtherWindows() const noexcept
{
    // Windows of this process (the prompt, a menu) may be above it; no other program's.
    for (HWND window = GetTopWindow(nullptr); window && window != window_; window = GetWindow(window, GW_HWNDNEXT)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != GetCurrentProcessId() && IsWindowVisible(window))
            return false;
    }
    return true;
}

void LockScreen::KeepTopLevel() noexcept
{
    // Another program may re-parent the lock screen into a hidden window, give it an owner, or
    // rewrite its styles (a child, layered or transparent window, a caption): all undone.
    if (GetAncestor(window_, GA_PARENT) != GetDesktopWindow())
        SetParent(window_, nullptr);
    if (GetWindow(window_, GW_OWNER))
        SetWindowLongPtrW(window_, GWLP_HWNDPARENT, 0);
    const LONG_PTR style = GetWindowLongPtrW(window_, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(window_, GWL_EXSTYLE);
    if ((style & ~kStateBits) == ownStyle_ && exStyle == ownExStyle_)
        return;
    SetWindowLongPtrW(window_, GWL_STYLE, ownStyle_ | (style & (WS_VISIBLE | WS_DISABLED)));
    SetWindowLongPtrW(window_, GWL_EXSTYLE, ownExStyle_);
    SetWindowPos(window_, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void LockScreen::RefuseForeignPlacement(WINDOWPOS& position) noexcept
{
    const RECT screen = VirtualScreen();
    position.flags &= ~static_cast<UINT>(SWP_HIDEWINDOW);
    if (!(position.flags & SWP_NOMOVE) && (position.x != screen.left || position.y != screen.top))
        position.flags |= SWP_NOMOVE;
    if (!(position.flags & SWP_NOSIZE) &&
        (position.cx != screen.right - screen.left || position.cy != screen.bottom - screen.top))
        position.flags |= SWP_NOSIZE;
    if (!(position.flags & SWP_NOZORDER) && position.hwndInsertAfter != HWND_TOPMOST &&
        position.hwndInsertAfter != HWND_TOP)
        position.flags |= SWP_NOZORDER;
}

void LockScreen::LoadBackground(const LockServiceSettings& settings) noexcept
{
    // Whatever is wrong with the picture, the lock goes on, plain black.
    try {
        if (settings.ShowBackground)
            background_ = LoadBackgroundPicture(settings.BackgroundFile, GetSystemMetrics(SM_CXSCREEN),
                                                GetSystemMetrics(SM_CYSCREEN));
    } catch (...) {
        background_.reset();
        ReportCurrentError();
    }
}

void LockScreen::SetPanelVisible(bool visible)
{
    panelVisible_ = visible;
    secretPanel_->SetVisible(visible && secretPanel_->HasLines());
    // Power save shows a black screen: the status blocks go with the picture.
    for (const auto& block : statusBlocks_)
        ShowWindow(block->Handle(), visible ? SW_SHOWNA : SW_HIDE);
    InvalidateRect(window_, nullptr, TRUE);
}

void LockScreen::ShowWarning(const std::vector<std::string>& lines)
{
    std::vector<std::wstring> wide;
    for (const std::string& line : lines)
        wide.push_back(Widen(line));
    secretPanel_->StopScrolling();
    secretPanel_->SetLines(std::move(wide));
    secretPanel_->SetTextColor(RGB(255, 0, 0));
    secretPanel_->SetVisible(panelVisible_);
    secretPanel_->StartScrolling();
}

void LockScreen::ClearWarning()
{
    secretPanel_->StopScrolling();
    secretPanel_->SetLines({});
    secretPanel_->SetVisible(false);
}

void LockScreen::SetStatus(const StatusLines& lines, StatusPlacement placement)
{
    status_ = lines;
    const bool replace = placement != placement_;
    placement_ = placement;
    if (replace)
        PlaceStatusBlocks();
    for (const auto& block : statusBlocks_)
        block->SetLines(status_);
}

void LockScreen::PlaceStatusBlocks()
{
    std::vector<Monitor> monitors;
    if (placement_ != StatusPlacement::Hidden)
        for (const Monitor& monitor : Monitors())
            if (placement_ == StatusPlacement::EveryMonitor || monitor.primary)
                monitors.push_back(monitor);
    const std::vector<UINT> dpis = MonitorDpis(monitors, window_);
    while (statusBlocks_.size() > monitors.size())
        statusBlocks_.pop_back();
    while (statusBlocks_.size() < monitors.size())
        statusBlocks_.push_back(std::make_unique<TStatusBlock>(
            window_, [this](UINT message) { TakeInput(message); },
            [this](HDC dc, const RECT& area) { PaintScene(dc, area); }));
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        TStatusBlock& block = *statusBlocks_[i];
        block.SetLines(status_);
        block.Place(monitors[i].area, dpis[i]);
        block.Refresh();
        ShowWindow(block.Handle(), panelVisible_ ? SW_SHOWNA : SW_HIDE);
    }
}

void LockScreen::PaintScene(HDC dc, const RECT& area) const
{
    const RECT all{0, 0, area.right - area.left, area.bottom - area.top};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (!panelVisible_ || !background_)
        return;
    for (const Monitor& monitor : Monitors()) {
        RECT place = monitor.area;
        RECT overlap;
        if (!IntersectRect(&overlap, &place, &area))
            continue;
        OffsetRect(&place, -area.left, -area.top);
        const RECT visible{0, 0, area.right - area.left, area.bottom - area.top};
        PaintPicturePart(dc, *background_, place, visible);
        if (defaultPicture_)
            PaintProgramTitle(dc, place);
    }
}

LRESULT LockScreen::Paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window_, &ps);
    RECT client;
    GetClientRect(window_, &client);
    PaintScene(dc, client);
    EndPaint(window_, &ps);
    return 0;
}

}  // namespace vardex
