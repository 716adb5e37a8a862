#include "MainForm_win.h"

#include "Background_win.h"
#include "HotKey.h"
#include "HotKey_win.h"
#include "ScreenSaverMode.h"
#include "ShellWatch_win.h"
#include "SystemOps_win.h"
#include "UnlockPrompt_win.h"
#include "common/Application.h"
#include "common/ErrorReport_win.h"
#include "common/Errors.h"
#include "common/TextConvert_win.h"
#include "common/UniqueHandle_win.h"

#include <mmsystem.h>

namespace vardex {

namespace {
constexpr UINT_PTR kServiceTimer = 1;
constexpr UINT kServiceIntervalMs = 3000;
constexpr UINT kTrayMessage = WM_APP + 1;
// The longest the session loop sleeps between two passes; where the system reports windows shown
// and foreground changes, they wake it at once. (Wine reports neither for other programs'
// windows, so the pass is short.) The benchmarks build a variant with 0, a loop that polls
// without waiting.
#ifndef VARDEX_SESSION_PASS_MS
#define VARDEX_SESSION_PASS_MS 20
#endif
constexpr DWORD kSessionPassMs = VARDEX_SESSION_PASS_MS;
// The Task Manager is found by its title, a search through every window: on every fifth pass.
constexpr unsigned kPassesPerTitleSearch = 5;

MouseButton ButtonOf(UINT message)
{
    return message == WM_RBUTTONDOWN ? MouseButton::Right : message == WM_MBUTTONDOWN ? MouseButton::Middle
                                                                                         : MouseButton::Left;
}

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

std::string ProgramDirectory()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return Narrow(path.substr(0, path.find_last_of(L"\\/") + 1));
}

TMainForm::TMainForm(Application& application, ServicePorts ports, UINT signalMessage)
    : application_(application), ports_(ports), signalMessage_(signalMessage),
      taskbarCreatedMessage_(RegisterWindowMessageW(L"TaskbarCreated")),
      log_(ports.files, ports.clock, {}, {}, [](std::string_view line) { return ToAnsi(line); }),
      session_(*this, settings_, log_), restrictions_(settings_, ports.clock, ports.registry, *this)
{
    const std::wstring title = Widen(kApplicationTitle);
    CreateParams params;
    params.className = L"TMainForm";
    params.title = title.c_str();
    params.style = WS_POPUP | WS_CLIPCHILDREN;
    // No taskbar button and no entry in the task switcher.
    params.exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOPARENTNOTIFY;
    params.background = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    Create(params);
    tray_ = std::make_unique<TrayIcon>(Handle(), kTrayMessage, [this](TrayCommand command) { OnTrayCommand(command); });
    // The configuration window does not exist yet: the item is shown, not offered.
    tray_->SetConfigureEnabled(false);
    secretPanel_ = std::make_unique<TSecretPanel>(Handle(), [this](UINT message) {
        if (message == WM_MOUSEMOVE)
            session_.FormMouseMove();
        else
            session_.FormMouseDown(ButtonOf(message));
    });
}

TMainForm::~TMainForm()
{
    secretPanel_.reset();
    tray_.reset();
}

void TMainForm::FormCreate()
{
    // Read once: the service does not follow later changes of the regional settings.
    regional_ = ports_.system.Regional();
    programDirectory_ = ProgramDirectory();
    try {
        ActionLoadSettingsExecute();
    } catch (...) {
        // A bad value is reported; the start must still complete.
        ReportCurrentException(Handle());
    }
    helpFile_ = programDirectory_ + "ombrel.hlp";
    log_.SetPath(programDirectory_ + settings_.UserKey + ".log", regional_);
    PlaceSecretPanel();
    SetTimer(Handle(), kServiceTimer, kServiceIntervalMs, nullptr);
    ServiceTick(nullptr);
    // Started outside the allowed time: shut down at the first timer tick, without the grace.
    restrictions_.AfterStartupTick();
    if (settings_.LockAtStartup)
        ActionSetVardexExecute(this);
}

void TMainForm::ActionLoadSettingsExecute()
{
    const std::string userKey = ports_.accounts.GetUserKey(ports_.accounts.GetCurrentUserName(), false);
    // A value of the wrong type is reported after the rest is in place, hot key included.
    std::exception_ptr badValue;
    try {
        LoadServiceSettings(settings_, ports_.registry, userKey, programDirectory_, regional_);
    } catch (const RegistryError&) {
        badValue = std::current_exception();
    }
    RegisterLockHotKey(Handle(), settings_.HotKey);
    tray_->SetLockCaption(Widen(LockActionCaption(settings_.HotKey, LayoutKeyNameOf)));
    if (badValue)
        std::rethrow_exception(badValue);
}

void TMainForm::ActionSetVardexExecute(const void* sender)
{
    if (settings_.ScreenSaverMode) {
        if (!FindConfiguredScreenSaver(ports_.system, ports_.registry, ports_.files).empty()) {
            PostMessageW(application_.window.Handle(), WM_SYSCOMMAND, SC_SCREENSAVE, 0);
            if (!sender)
                EnterStandBy(false);
            return;
        }
        const std::wstring text = Widen(kNoScreenSaverMessage);
        MessageBoxW(Handle(), text.c_str(), L"Information", MB_OK | MB_ICONINFORMATION);
        WinExec("CONTROL.EXE DESK.CPL", SW_SHOWNORMAL);
        return;
    }
    // Posted: the session starts when the window takes the signal, after the standby.
    PostMessageW(Handle(), signalMessage_, kLockSignal, 0);
    if (!sender)
        EnterStandBy(false);
}

void TMainForm::ActionSetVardexStandByExecute()
{
    ActionSetVardexExecute(nullptr);
}

void TMainForm::ActionLockWorkStationExecute()
{
    LockWorkStationIfAvailable();
}

void TMainForm::OnTrayCommand(TrayCommand command)
{
    switch (command) {
    case TrayCommand::Lock: ActionSetVardexExecute(tray_.get()); break;
    case TrayCommand::LockStandBy: ActionSetVardexStandByExecute(); break;
    case TrayCommand::LockWorkStation: ActionLockWorkStationExecute(); break;
    case TrayCommand::Configure: break;
    }
}

void TMainForm::ServiceTick(const void* sender)
{
    // Stopped while the tick runs, so that ticks never overlap.
    KillTimer(Handle(), kServiceTimer);
    struct Restart {
        HWND window;
        ~Restart() { SetTimer(window, kServiceTimer, kServiceIntervalMs, nullptr); }
    } restart{Handle()};
    restrictions_.Tick(sender != nullptr);
    if (!tray_->Active() && FindWindowW(L"Shell_TrayWnd", nullptr))
        tray_->Activate();
    if (session_.Active())
        session_.LockScreenTick(restrictions_.TimeExpired());
}

void TMainForm::PostLockSignal()
{
    PostMessageW(Handle(), signalMessage_, kLockSignal, 0);
}

bool TMainForm::SetLocalTime(const LocalTime& time)
{
    const SYSTEMTIME record{static_cast<WORD>(time.year), static_cast<WORD>(time.month), 0,
                            static_cast<WORD>(time.day), static_cast<WORD>(time.hour), static_cast<WORD>(time.minute),
                            static_cast<WORD>(time.second), static_cast<WORD>(time.millisecond)};
    SetPrivilege(SE_SYSTEMTIME_NAME, true);
    const bool set = ::SetLocalTime(&record) != FALSE;
    if (set)
        SendMessageTimeoutW(HWND_BROADCAST, WM_TIMECHANGE, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    SetPrivilege(SE_SYSTEMTIME_NAME, false);
    return set;
}

void TMainForm::RequestShutdown()
{
    application_.exitMode = ExitMode::Shutdown;
    // Ending first, then the pending messages: a lock signal among them must not start a
    // session that would hold the shutdown up until someone unlocks.
    application_.pump.Terminate();
    application_.pump.ProcessPendingMessages();
}

void TMainForm::FormActivate(const void* sender)
{
    SendMessageW(Handle(), WM_CANCELMODE, 0, 0);
    BringWindowToTop(Handle());
    SwitchToWindow(Handle(), true);
    if (!sender) {
        // Where the pointer is: on the lock screen the right button only wakes.
        mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_RIGHTDOWN, 0, 0, 0, 0);
        mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_RIGHTUP, 0, 0, 0, 0);
    }
}

void TMainForm::CoverVirtualScreen() noexcept
{
    // Every monitor is covered, not just the one a maximised window would fill.
    const RECT screen = VirtualScreen();
    SetWindowPos(Handle(), HWND_TOPMOST, screen.left, screen.top, screen.right - screen.left,
                 screen.bottom - screen.top, SWP_NOACTIVATE);
}

void TMainForm::PlaceSecretPanel() noexcept
{
    // Half the primary screen, centred on it; the window's origin is the virtual screen's.
    const RECT screen = VirtualScreen();
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    secretPanel_->Place(width / 4 - screen.left, height / 4 - screen.top, width / 2, height / 2);
}

void TMainForm::ShowLockScreen()
{
    CoverVirtualScreen();
    PlaceSecretPanel();
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    SetFocus(Handle());
    UpdateWindow(Handle());
}

bool TMainForm::RunLockSession()
{
    const UniqueKernelHandle sessionMutex(CreateMutexW(nullptr, FALSE, kSessionMutexName));
    if (sessionMutex && GetLastError() == ERROR_ALREADY_EXISTS)
        return false;  // a session runs already
    session_.Prepare();
    BOOL previous = FALSE;
    SystemParametersInfoW(SPI_SETSCREENSAVERRUNNING, TRUE, &previous, 0);
    keyboardFilter_.Install();
    struct End {
        TMainForm& form;
        ~End() { form.EndSession(); }
    } end{*this};

    if (settings_.ShowBackground)
        background_ = LoadBackgroundPicture(settings_.BackgroundFile, GetSystemMetrics(SM_CXSCREEN),
                                            GetSystemMetrics(SM_CYSCREEN));
    panelVisible_ = true;
    secretPanel_->SetVisible(secretPanel_->HasLines());
    if (secretPanel_->HasLines())
        secretPanel_->StartScrolling();
    ShowLockScreen();
    session_.Activate();
    std::optional<ShellWatch> watch;
    if (kSessionPassMs > 0)
        watch.emplace(shellWindows_);
    while (session_.Outcome() == SessionOutcome::Running) {
        try {
            SessionPass();
        } catch (...) {
            // Fail closed: an error is reported and the session goes on.
            ReportCurrentException(Handle());
        }
    }
    return session_.Outcome() == SessionOutcome::Unlocked;
}

void TMainForm::SessionPass()
{
    shellWindows_.HideAll(++passCount_ % kPassesPerTitleSearch == 0);
    if (application_.pump.Terminated())
        session_.ProgramEnding();
    application_.pump.ProcessPendingMessages();
    if (GetForegroundWindow() != Handle() && session_.Outcome() == SessionOutcome::Running)
        FormActivate(nullptr);
    session_.ArmInput();
    if (kSessionPassMs > 0 && session_.Outcome() == SessionOutcome::Running && !application_.pump.Terminated())
        application_.pump.WaitForMessages(kSessionPassMs);
}

void TMainForm::EndSession() noexcept
{
    session_.Deactivate();
    // When the program ends they stay hidden.
    if (session_.Outcome() == SessionOutcome::Unlocked)
        shellWindows_.Restore();
    shellWindows_.Forget();
    ShowWindow(Handle(), SW_HIDE);
    secretPanel_->StopScrolling();
    background_.reset();
    keyboardFilter_.Remove();
    BOOL previous = FALSE;
    SystemParametersInfoW(SPI_SETSCREENSAVERRUNNING, FALSE, &previous, 0);
    if (session_.Outcome() == SessionOutcome::Unlocked)
        ShowPendingReports();
}

void TMainForm::ShowPendingReports()
{
    std::vector<std::string> reports;
    reports.swap(pendingReports_);
    for (const std::string& report : reports)
        ShowErrorReport(Handle(), report);
}

void TMainForm::PostMonitorPower(int mode)
{
    PostMessageW(application_.window.Handle(), WM_SYSCOMMAND, SC_MONITORPOWER, mode);
}

void TMainForm::SetPanelVisible(bool visible)
{
    panelVisible_ = visible;
    secretPanel_->SetVisible(visible && secretPanel_->HasLines());
    InvalidateRect(Handle(), nullptr, TRUE);
}

void TMainForm::CancelOpenPrompt()
{
    if (openPrompt_)
        DefWindowProcW(openPrompt_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

PromptAnswer TMainForm::ShowPrompt()
{
    TPwdForm prompt(Handle(), settings_.ShutdownAllowed, session_);
    openPrompt_ = prompt.Handle();
    struct Forget {
        HWND& prompt;
        ~Forget() { prompt = nullptr; }
    } forget{openPrompt_};
    return prompt.ShowModal(application_.pump);
}

void TMainForm::PlayAlarm(bool repeat)
{
    // Asynchronous: a missing file plays the system's default sound instead.
    sndPlaySoundW(Widen(programDirectory_ + "alarm.wav").c_str(), SND_ASYNC | (repeat ? SND_NOSTOP : 0));
}

void TMainForm::ShowWarning(const std::vector<std::string>& lines)
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

void TMainForm::RequestShutdownNow()
{
    application_.exitMode = ExitMode::Shutdown;
    application_.pump.Terminate();
}

void TMainForm::ReportError(const std::string& message, bool afterSession)
{
    if (afterSession)
        pendingReports_.push_back(message);
    else
        ShowErrorReport(Handle(), message);
}

void TMainForm::Paint(HDC dc)
{
    RECT client;
    GetClientRect(Handle(), &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (panelVisible_ && background_) {
        PaintContext context{dc, &*background_};
        EnumDisplayMonitors(dc, nullptr, PaintMonitor, reinterpret_cast<LPARAM>(&context));
    }
}

void TMainForm::FormDestroy() noexcept
{
    KillTimer(Handle(), kServiceTimer);
    UnregisterLockHotKey(Handle());
}

LRESULT TMainForm::HandleSignal(WPARAM code, UINT message, LPARAM lParam)
{
    if (code == kReloadSignal) {
        ActionLoadSettingsExecute();
        return 0;
    }
    if (code == kLockSignal) {
        RunLockSession();
        return 0;
    }
    return DefaultHandling(message, code, lParam);
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYSCOMMAND)
        return 0;  // the lock screen cannot be moved, sized, minimised or closed
    if (message == WM_QUERYENDSESSION || message == WM_ENDSESSION) {
        const LRESULT result = DefaultHandling(message, wParam, lParam);
        application_.pump.Terminate();
        return result;
    }
    if (message == WM_HOTKEY && wParam == kHotKeyId) {
        ActionSetVardexExecute(this);
        return DefaultHandling(message, wParam, lParam);
    }
    if (message == signalMessage_)
        return HandleSignal(wParam, message, lParam);
    if (message == taskbarCreatedMessage_) {
        tray_->Recreate();
        return 0;
    }
    switch (message) {
    case WM_TIMER:
        if (wParam == kServiceTimer)
            ServiceTick(this);
        return 0;
    case kTrayMessage:
        tray_->HandleCallback(lParam);
        return 0;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
        if (tray_->HandleMenuDrawing(message, lParam))
            return TRUE;
        return DefaultHandling(message, wParam, lParam);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        session_.FormKeyDown();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        session_.FormMouseDown(ButtonOf(message));
        return 0;
    case WM_MOUSEMOVE:
        session_.FormMouseMove();
        return 0;
    case WM_SETFOCUS:
        session_.ActiveControlChanged();
        return 0;
    case WM_SETCURSOR:
        SetCursor(nullptr);  // no pointer over the lock screen
        return TRUE;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        return PaintWith([this](HDC dc) { Paint(dc); });
    case WM_DISPLAYCHANGE:
        if (IsWindowVisible(Handle())) {
            CoverVirtualScreen();
            PlaceSecretPanel();
        }
        return 0;
    case WM_DESTROY:
        FormDestroy();
        return 0;
    default:
        return DefaultHandling(message, wParam, lParam);
    }
}

}  // namespace vardex
