#include "LockScreen_win.h"

#include "SystemOps_win.h"
#include "UnlockPrompt.h"
#include "UnlockPrompt_win.h"
#include "win/ErrorReport_win.h"
#include "win/Picture_win.h"
#include "win/TextConvert_win.h"

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

struct PaintContext {
    HDC dc;
    const DecodedImage* picture;
};

// Every monitor shows the whole picture.
BOOL CALLBACK PaintMonitor(HMONITOR, HDC, LPRECT area, LPARAM data) noexcept
{
    const auto* context = reinterpret_cast<const PaintContext*>(data);
    PaintPicture(context->dc, *context->picture, *area);
    return TRUE;
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
            InvalidateRect(window_, nullptr, TRUE);  // every monitor's picture where it now is
        }
        return 0;
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

void LockScreen::Show(const LockServiceSettings& settings)
{
    LoadBackground(settings);
    panelVisible_ = true;
    secretPanel_->SetVisible(secretPanel_->HasLines());
    if (secretPanel_->HasLines())
        secretPanel_->StartScrolling();
    CoverVirtualScreen();
    PlaceSecretPanel();
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(window_);
    UpdateWindow(window_);
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

LRESULT LockScreen::Paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window_, &ps);
    RECT client;
    GetClientRect(window_, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (panelVisible_ && background_) {
        PaintContext context{dc, &*background_};
        EnumDisplayMonitors(dc, nullptr, PaintMonitor, reinterpret_cast<LPARAM>(&context));
    }
    EndPaint(window_, &ps);
    return 0;
}

}  // namespace vardex
