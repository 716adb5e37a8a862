// The lock service's main window, and the loops it runs. How they nest:
//
//   the program's pump (ServiceApplication_win: GetMessage until WM_QUIT of our own)
//    |- the service timer, every 3 s: ServiceTick (the restrictions, the guardian's beat, the
//    |  tray, the hot key); ticks never overlap (the timer is stopped while one runs)
//    |- the signal "Zeps01": reload (only noted during a lock, done at the guard's next run) or
//    |  lock: RunLockSession, a loop of its own until the outcome is known
//    |   |- each pass: the pending messages, then the guard (GuardLockScreen: windows hidden,
//    |   |  the lock screen in front, the keyboard filter, a noted reload), then a wait
//    |   |- the unlock prompt: on its own thread and desktop (RunOnOwnDesktop) while this
//    |   |  thread goes on with the passes; its events come back posted
//    |   `- the password check: RunOffThread, this thread still dispatching and guarding
//    `- "Configure": the password prompt (RunOnOwnDesktop), then the configuration window's
//       modal loop (TCfgForm::ShowModal). A lock signal taken inside it runs the lock session
//       inside it: the window is hidden and its trust ended first (Suspend), and asks for
//       the password again after the unlock (Resume)
//
// Re-entry guards: a lock session does not start inside another (session_.Active()); one
// configuration window (configForm_); one password prompt at a time (PasswordCheck); a WM_QUIT
// that is not ours ends no loop (MessagePump); messages other threads send during a lock run the
// guard when it is due, inside the system's own call.
#include "MainForm_win.h"

#include "win/Picture_win.h"
#include "common/HotKey.h"
#include "HotKey_win.h"
#include "ProcessGuard_win.h"
#include "ScreenSaverMode.h"
#include "ShellWatch_win.h"
#include "SystemOps_win.h"
#include "UnlockPrompt_win.h"
#include "common/Application.h"
#include "win/OffThread_win.h"
#include "win/OwnDesktop_win.h"
#include "common/ScopeGuard.h"
#include "win/TextConvert_win.h"
#include "win/UniqueHandle_win.h"

#include <mmsystem.h>

namespace vardex {

namespace {
constexpr UINT_PTR kServiceTimer = 1;
// At the next whole second of the wait the unlock prompt shows after wrong entries.
constexpr UINT_PTR kPromptWaitTimer = 2;
// At most this many of the prompt's events are taken after its end: a flood of forged ones must
// not hold up the session.
constexpr int kMostPromptInputAfterItsEnd = 100;
constexpr UINT kServiceIntervalMs = 3000;
constexpr UINT kTrayMessage = WM_APP + 1;
// Posted at the end of the start: the reports held back during it are shown from the loop.
constexpr UINT kShowReportsMessage = WM_APP + 2;
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

TMainForm::TMainForm(Application& application, ServicePorts ports, GuardianLink& guardian, UINT signalMessage)
    : application_(application), ports_(ports), guardian_(guardian), signalMessage_(signalMessage),
      taskbarCreatedMessage_(RegisterWindowMessageW(L"TaskbarCreated")),
      log_(ports.files, ports.clock, {}, {}, [](std::string_view line) { return ToAnsi(line); },
           [this](std::string_view line) { return guardian_.Log(std::string(line)); }),
      session_(*this, settings_, log_, ports.crypto, ports.clock),
      restrictions_(settings_, ports.clock, ports.registry, *this),
      promptHost_(application.pump, application.window.Handle()), passwordCheck_(promptHost_, ports.crypto),
      adminTrust_(passwordCheck_, [this] { return settings_.AdminPassword; })
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
    // What the lock screen's styles are, as the system made them: any other is somebody else's.
    ownStyle_ = GetWindowLongPtrW(Handle(), GWL_STYLE) & ~static_cast<LONG_PTR>(WS_VISIBLE | WS_DISABLED | WS_MINIMIZE | WS_MAXIMIZE);
    ownExStyle_ = GetWindowLongPtrW(Handle(), GWL_EXSTYLE);
    // Started above the user's programs, the window takes from them only these: the screen
    // saver's signals, the tray's callbacks and the taskbar's new start.
    for (const UINT allowed : {signalMessage_, kTrayMessage, taskbarCreatedMessage_})
        ChangeWindowMessageFilterEx(Handle(), allowed, MSGFLT_ALLOW, nullptr);
    hotKey_ = std::make_unique<LockHotKey>(Handle());
    tray_ = std::make_unique<TrayIcon>(Handle(), kTrayMessage, [this](TrayCommand command) { OnTrayCommand(command); });
    secretPanel_ = std::make_unique<TSecretPanel>(Handle(), [this](UINT message) {
        if (message == WM_MOUSEMOVE)
            session_.FormMouseMove();
        else
            session_.FormMouseDown(ButtonOf(message));
    });
}

TMainForm::~TMainForm()
{
    FormDestroy();
    secretPanel_.reset();
    tray_.reset();
}

void TMainForm::FormCreate(const StartOptions& options)
{
    // Nothing modal before the timer, the tray icon, the hot key and the first tick: whatever
    // goes wrong on the way is shown once the message loop runs.
    const ReportHold hold(application_.reports);
    // Read once: the service does not follow later changes of the regional settings or the
    // time zone.
    regional_ = ports_.system.Regional();
    timeFormats_ = ports_.system.SystemRegional();
    // The day is the guardian's, judged in its time zone; without one (yet), in the zone of our
    // start.
    restrictions_.UseZone(ports_.clock.Zone());
    programDirectory_ = ProgramDirectory();
    try {
        ActionLoadSettingsExecute();
    } catch (...) {
        ReportCurrentError();
    }
    TakeGuardianDay();
    helpFile_ = programDirectory_ + "ombrel.hlp";
    log_.SetPath(programDirectory_ + settings_.UserKey + ".log", regional_);
    PlaceSecretPanel();
    SetTimer(Handle(), kServiceTimer, kServiceIntervalMs, nullptr);
    ServiceTick(TickCause::Start);
    // Started outside the allowed time: shut down at the first timer tick, without the grace,
    // unless this start goes on with an earlier run's expiry.
    restrictions_.AfterStartupTick(options.graceLeftMs);
    if (options.lock)
        PostLockSignal();  // the earlier run was locked: the lock screen itself, at once
    else if (settings_.LockAtStartup)
        ActionSetVardexExecute(ThenStandBy::No);
    TellGuardian();
    PostMessageW(Handle(), kShowReportsMessage, 0, 0);
}

void TMainForm::ActionLoadSettingsExecute()
{
    const std::string userKey = ports_.accounts.GetUserKey(ports_.accounts.GetCurrentUserName(), false);
    const std::string previousUser = settings_.UserKey;
    const std::int32_t dayInMemory = settings_.CounterDay;
    const std::uint32_t usedInMemory = settings_.UsedSeconds;
    const std::vector<std::string> problems =
        LoadServiceSettings(settings_, ports_.registry, userKey, programDirectory_, timeFormats_);
    // A reload never gives back time already used, even when the stored count is stale.
    if (settingsLoaded_ && previousUser == userKey)
        KeepDayUse(settings_, dayInMemory, usedInMemory);
    settingsLoaded_ = true;
    HoldHotKey();
    tray_->SetLockCaption(Widen(LockActionCaption(settings_.HotKey, LayoutKeyNameOf)));
    for (const std::string& problem : problems)
        ReportError(problem);
}

void TMainForm::HoldHotKey()
{
    // Reported once while it stays missing (after a lock, as every report), and tried again at
    // every tick.
    if (hotKey_->Hold(settings_.HotKey)) {
        hotKeyReported_ = false;
        return;
    }
    if (!std::exchange(hotKeyReported_, true))
        ReportError("The lock hot key " + HotKeyText(settings_.HotKey, LayoutKeyNameOf) +
                    " is held by another program; it is tried again every few seconds");
}

void TMainForm::ActionSetVardexExecute(ThenStandBy standBy)
{
    if (settings_.ScreenSaverMode) {
        if (session_.Active())
            return;  // locked already: no screen saver over the lock screen
        if (!FindConfiguredScreenSaver(ports_.system, ports_.registry, ports_.files).empty()) {
            PostMessageW(application_.window.Handle(), WM_SYSCOMMAND, SC_SCREENSAVE, 0);
            if (standBy == ThenStandBy::Yes)
                EnterStandBy(false);
            return;
        }
        application_.reports.Submit(
            {kNoScreenSaverMessage, ReportKind::Information, [] { StartAtUserLevel(L"CONTROL.EXE DESK.CPL"); }});
        return;
    }
    // Posted: the session starts when the window takes the signal, after the standby.
    PostMessageW(Handle(), signalMessage_, kLockSignal, 0);
    if (standBy == ThenStandBy::Yes)
        EnterStandBy(false);
}

void TMainForm::ActionSetVardexStandByExecute()
{
    ActionSetVardexExecute(ThenStandBy::Yes);
}

void TMainForm::ActionLockWorkStationExecute()
{
    LockWorkStationIfAvailable();
}

void TMainForm::OnTrayCommand(TrayCommand command)
{
    switch (command) {
    case TrayCommand::Lock: ActionSetVardexExecute(ThenStandBy::No); break;
    case TrayCommand::LockStandBy: ActionSetVardexStandByExecute(); break;
    case TrayCommand::LockWorkStation: ActionLockWorkStationExecute(); break;
    case TrayCommand::Configure: ActionConfigureExecute(); break;
    }
}

void TMainForm::ActionConfigureExecute()
{
    if (session_.Active())
        return;
    if (configForm_) {
        configForm_->BringToTop();  // one window; no second password
        return;
    }
    // The prompt and the check take messages: a lock that starts meanwhile ends the trust the
    // entry would give.
    const std::uint32_t sessions = session_.SessionsStarted();
    if (!adminTrust_.Prove() || session_.SessionsStarted() != sessions) {
        adminTrust_.Forget();
        return;
    }
    ConfigContext context{application_.pump,
                          ports_.registry,
                          ports_.accounts,
                          ports_.crypto,
                          ports_.files,
                          ports_.system,
                          timeFormats_,
                          application_.reports,
                          programDirectory_,
                          [this] { PostMessageW(Handle(), signalMessage_, kReloadSignal, 0); },
                          [this] { ExitFromConfiguration(); }};
    if (adminTrust_.ThroughGuardian()) {
        context.writeSettings = [this](const std::vector<SettingWrite>& writes) {
            adminTrust_.WriteSettings(ChangedWrites(ports_.registry, writes));
        };
        context.clearLog = [this](const std::string& userKey) { adminTrust_.ClearLog(userKey); };
    }
    context.regainTrust = [this] { return adminTrust_.Prove(); };
    context.trustBusy = [this] { return adminTrust_.Busy(); };
    context.openToAnyone = settings_.AdminPassword.empty();
    TCfgForm form(std::move(context));
    configForm_ = &form;
    const ScopeGuard forget([this] {
        configForm_ = nullptr;
        adminTrust_.Forget();
    });
    form.ShowModal(application_.window.Handle());
    if (form.ClosedUntrusted())
        application_.reports.Submit({"The configuration window was closed without saving: the administrator password "
                                     "was not given again after the lock.",
                                     ReportKind::Information, nullptr});
}

void TMainForm::ExitFromConfiguration()
{
    // Exit ends the protection of this session: the administrator says so again, with the
    // password, whoever (or whatever) chose it.
    if (!adminTrust_.Prove())
        return;
    // Ended on purpose: the guardian does not start it again.
    TellGuardianOfEnd(LockState::Exited);
    application_.pump.Terminate();
}

void TMainForm::ServiceTick(TickCause cause)
{
    // Stopped while the tick runs, so that ticks never overlap.
    KillTimer(Handle(), kServiceTimer);
    const ScopeGuard restart([this] { SetTimer(Handle(), kServiceTimer, kServiceIntervalMs, nullptr); });
    TakeGuardianDay();
    SubmitOtherThreadsErrors();
    // Threads the system made for us since the last tick get the protection too.
    ProtectProcess();
    restrictions_.Tick(cause == TickCause::Timer);
    if (!tray_->Active() && FindWindowW(L"Shell_TrayWnd", nullptr))
        tray_->Activate();
    if (hotKey_->Missing())
        HoldHotKey();
    if (session_.Active())
        session_.LockScreenTick(restrictions_.TimeExpired());
    TellGuardian();
}

void TMainForm::TellGuardian() noexcept
{
    const LockState state = restrictions_.TimeExpired() ? LockState::Expired
                            : session_.Active()         ? LockState::Locked
                                                        : LockState::Unlocked;
    guardian_.Beat(state, restrictions_.GraceLeft(), settings_.RestrictByDuration && !restrictions_.TimeExpired());
}

void TMainForm::TakeGuardianDay() noexcept
{
    // Its greeting may come later than our start (a busy guardian): its zone and day then.
    if (!guardianGreeted_) {
        if (const std::optional<GuardHello> hello = guardian_.Hello()) {
            guardianGreeted_ = true;
            restrictions_.UseZone(hello->zone);
            restrictions_.TakeKeptDayUse(hello->day.day, hello->day.usedSeconds);
        }
    }
    if (const std::optional<GuardDay> day = guardian_.TakeDay())
        restrictions_.TakeKeptDayUse(day->day, day->usedSeconds);
    if (const unsigned lost = guardian_.TakeLostLines())
        ReportError(std::to_string(lost) + " statistics line(s) could not be written: the guardian did not take them");
}

void TMainForm::TellGuardianOfEnd(LockState state) noexcept
{
    guardian_.Beat(state, 0, false);
    guardian_.Flush(500);
}

void TMainForm::PostLockSignal()
{
    PostMessageW(Handle(), signalMessage_, kLockSignal, 0);
}

bool TMainForm::SetSystemClock(std::int64_t utcMs)
{
    // In UTC: the local time of a time zone the user may have switched would be wrong.
    const LocalTime time = FromMillisecondsSince1601(utcMs);
    const SYSTEMTIME record{static_cast<WORD>(time.year), static_cast<WORD>(time.month), 0,
                            static_cast<WORD>(time.day), static_cast<WORD>(time.hour), static_cast<WORD>(time.minute),
                            static_cast<WORD>(time.second), static_cast<WORD>(time.millisecond)};
    SetPrivilege(SE_SYSTEMTIME_NAME, true);
    const bool set = ::SetSystemTime(&record) != FALSE;
    if (set)
        SendMessageTimeoutW(HWND_BROADCAST, WM_TIMECHANGE, 0, 0, SMTO_ABORTIFHUNG, kBroadcastTimeoutMs, nullptr);
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

void TMainForm::FormActivate(WakeClick click)
{
    SendMessageW(Handle(), WM_CANCELMODE, 0, 0);
    BringWindowToTop(Handle());
    SwitchToWindow(Handle(), true);
    if (click == WakeClick::Yes) {
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

void TMainForm::LoadBackground() noexcept
{
    // Whatever is wrong with the picture, the lock goes on, plain black.
    try {
        if (settings_.ShowBackground)
            background_ = LoadBackgroundPicture(settings_.BackgroundFile, GetSystemMetrics(SM_CXSCREEN),
                                                GetSystemMetrics(SM_CYSCREEN));
    } catch (...) {
        background_.reset();
        ReportCurrentError();
    }
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
    // Whether a session runs is our own state: a mutex of that name held by another program
    // must not make every lock request a no-op. The mutex is still created and held for the
    // session, since the screen-saver companion looks for it.
    if (session_.Active())
        return false;
    const UniqueKernelHandle sessionMutex(CreateMutexW(nullptr, FALSE, kSessionMutexName));
    const ReportHold hold(application_.reports);
    // A lock ends the trust the administrator password gave: the configuration window hides,
    // and whoever unlocks must give the password to see it again.
    if (configForm_) {
        configForm_->Suspend();
        adminTrust_.Drop();
    }
    session_.Prepare();
    BOOL previous = FALSE;
    SystemParametersInfoW(SPI_SETSCREENSAVERRUNNING, TRUE, &previous, 0);
    const AccessibilityHotKeys accessibility;
    keyboardFilter_.Install();
    const ScopeGuard end([this] { EndSession(); });

    LoadBackground();
    panelVisible_ = true;
    secretPanel_->SetVisible(secretPanel_->HasLines());
    if (secretPanel_->HasLines())
        secretPanel_->StartScrolling();
    ShowLockScreen();
    session_.Activate();
    TellGuardian();
    std::optional<ShellWatch> watch;
    if (kSessionPassMs > 0)
        watch.emplace(shellWindows_);
    application_.pump.SetGuard([this] { GuardLockScreen(); });
    while (session_.Outcome() == SessionOutcome::Running) {
        try {
            SessionPass();
        } catch (...) {
            // Fail closed: an error is reported after the session, and the session goes on.
            ReportCurrentError();
        }
    }
    return session_.Outcome() == SessionOutcome::Unlocked;
}

void TMainForm::SessionPass()
{
    if (application_.pump.Terminated())
        session_.ProgramEnding();
    application_.pump.ProcessPendingMessages();
    application_.pump.RunGuardIfDue();
    session_.ArmInput();
    if (kSessionPassMs > 0 && session_.Outcome() == SessionOutcome::Running && !application_.pump.Terminated())
        application_.pump.WaitForMessages(kSessionPassMs);
}

void TMainForm::GuardLockScreen() noexcept
{
    if (session_.Outcome() != SessionOutcome::Running)
        return;
    shellWindows_.HideAll(++passCount_ % kPassesPerTitleSearch == 0);
    KeepLockScreenInFront();
    keyboardFilter_.KeepRunning();
    ReloadIfAsked();
    // Until the prompt has closed, it holds the foreground, on the lock screen's desktop or on a
    // desktop of its own that is shown instead; losing it (or that desktop) cancels the prompt.
    if (!promptHoldsForeground_ && GetForegroundWindow() != Handle())
        FormActivate(WakeClick::Yes);
}

bool TMainForm::IsAboveOtherWindows() const noexcept
{
    // Windows of this process (the prompt, a menu) may be above it; no other program's.
    for (HWND window = GetTopWindow(nullptr); window && window != Handle(); window = GetWindow(window, GW_HWNDNEXT)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != GetCurrentProcessId() && IsWindowVisible(window))
            return false;
    }
    return true;
}

void TMainForm::KeepLockScreenInFront() noexcept
{
    HWND lock = Handle();
    KeepTopLevel();
    if (!IsWindowVisible(lock) || IsIconic(lock))
        ShowWindow(lock, SW_SHOWNOACTIVATE);
    // Disabled only by its own prompt, which enables it again when it closes.
    if (!promptOwnedByLockScreen_ && !IsWindowEnabled(lock))
        EnableWindow(lock, TRUE);
    RECT now;
    GetWindowRect(lock, &now);
    const RECT screen = VirtualScreen();
    const bool topmost = (GetWindowLongPtrW(lock, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (!EqualRect(&now, &screen) || !topmost || !IsAboveOtherWindows())
        CoverVirtualScreen();
}

void TMainForm::KeepTopLevel() noexcept
{
    // Another program may re-parent the lock screen into a hidden window, give it an owner, or
    // rewrite its styles (a child, layered or transparent window, a caption): all undone.
    HWND lock = Handle();
    if (GetAncestor(lock, GA_PARENT) != GetDesktopWindow())
        SetParent(lock, nullptr);
    if (GetWindow(lock, GW_OWNER))
        SetWindowLongPtrW(lock, GWLP_HWNDPARENT, 0);
    constexpr LONG_PTR kStateBits = WS_VISIBLE | WS_DISABLED | WS_MINIMIZE | WS_MAXIMIZE;
    const LONG_PTR style = GetWindowLongPtrW(lock, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(lock, GWL_EXSTYLE);
    if ((style & ~kStateBits) == ownStyle_ && exStyle == ownExStyle_)
        return;
    SetWindowLongPtrW(lock, GWL_STYLE, ownStyle_ | (style & (WS_VISIBLE | WS_DISABLED)));
    SetWindowLongPtrW(lock, GWL_EXSTYLE, ownExStyle_);
    SetWindowPos(lock, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainForm::RefuseForeignPlacement(WINDOWPOS& position) const noexcept
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

void TMainForm::EndSession() noexcept
{
    application_.pump.ClearGuard();
    ReloadIfAsked();
    // Left neither by a password nor by the end of the program, but by an error: the system's
    // own lock takes over.
    if (session_.Outcome() == SessionOutcome::Running)
        LockWorkStationIfAvailable();
    session_.Deactivate();
    TellGuardian();
    // When the program ends they stay hidden.
    if (session_.Outcome() == SessionOutcome::Unlocked) {
        shellWindows_.Restore();
        if (configForm_)
            configForm_->Resume();
    }
    shellWindows_.Forget();
    ShowWindow(Handle(), SW_HIDE);
    secretPanel_->StopScrolling();
    background_.reset();
    keyboardFilter_.Remove();
    BOOL previous = FALSE;
    SystemParametersInfoW(SPI_SETSCREENSAVERRUNNING, FALSE, &previous, 0);
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
    if (promptOrders_)
        promptOrders_->Cancel();
}

PromptAnswer TMainForm::ShowPrompt()
{
    PromptOrders orders([](void* window, PromptOrder order, std::int64_t seconds) {
        PostMessageW(static_cast<HWND>(window), kPromptOrderMessage, static_cast<WPARAM>(order),
                     static_cast<LPARAM>(seconds));
    });
    promptOrders_ = &orders;
    promptHoldsForeground_ = true;
    const ScopeGuard forget([this] {
        KillTimer(Handle(), kPromptWaitTimer);
        promptOrders_ = nullptr;
        promptHoldsForeground_ = false;
        promptOwnedByLockScreen_ = false;
    });
    ShowPromptWait();
    const HWND lockScreen = Handle();
    const bool shutdownAllowed = settings_.ShutdownAllowed;
    PromptAnswer answer;
    // On a desktop of our own, where no low-level hook of the user's programs sees the keys (the
    // administrator password unlocks too). Its thread keeps no state of the session: this thread
    // takes its input and keeps guarding meanwhile. Where no such desktop can be had, in front of
    // the lock screen as before.
    const bool apart = RunOnOwnDesktop(application_.pump, [&](MessagePump& own) {
        TPwdForm prompt(lockScreen, nullptr, shutdownAllowed, orders);
        answer = prompt.ShowModal(own);
    });
    if (!apart) {
        promptOwnedByLockScreen_ = true;
        TPwdForm prompt(lockScreen, lockScreen, shutdownAllowed, orders);
        answer = prompt.ShowModal(application_.pump);
    }
    TakePostedPromptInput();
    return answer;
}

void TMainForm::ShowPromptWait()
{
    const std::int64_t left = promptOrders_ ? session_.EntryWaitMs() : 0;
    if (promptOrders_)
        promptOrders_->ShowWait(left);
    if (left > 0)
        SetTimer(Handle(), kPromptWaitTimer, static_cast<UINT>((left - 1) % 1000 + 1), nullptr);
    else
        KillTimer(Handle(), kPromptWaitTimer);
}

void TMainForm::TakePromptInput(WPARAM code)
{
    const std::optional<PromptInput> input = PromptInputOf(code);
    if (!input || !session_.Active())
        return;
    if (*input == PromptInput::Closed)
        promptHoldsForeground_ = false;
    else
        HandPromptInput(session_, *input);
}

void TMainForm::TakePostedPromptInput()
{
    // What the prompt posted before it ended, taken while it still counts as open: the key that
    // closed it must not open the next one.
    MSG msg;
    for (int taken = 0; taken < kMostPromptInputAfterItsEnd &&
                        PeekMessageW(&msg, Handle(), kPromptInputMessage, kPromptInputMessage, PM_REMOVE);
         ++taken)
        TakePromptInput(msg.wParam);
}

void TMainForm::RunPasswordCheck(const std::function<void()>& check)
{
    // Off the window's thread: the session's guard runs through the pump meanwhile.
    RunOffThread(application_.pump, check);
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

void TMainForm::ReportError(const std::string& message)
{
    application_.reports.ReportError(message);
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
    // Called by the destructor: a WM_DESTROY that another program posts must not take the
    // timer and the hot key away.
    KillTimer(Handle(), kServiceTimer);
    hotKey_.reset();
}

void TMainForm::ReloadIfAsked() noexcept
{
    if (!reloadAsked_)
        return;
    reloadAsked_ = false;
    try {
        ActionLoadSettingsExecute();
    } catch (...) {
        ReportCurrentError();
    }
}

LRESULT TMainForm::HandleSignal(WPARAM code, UINT message, LPARAM lParam)
{
    if (code == kReloadSignal) {
        // During a lock only noted, and done once at the guard's next run: a flood of them must
        // not keep the lock session from its work.
        if (session_.Active())
            reloadAsked_ = true;
        else
            ActionLoadSettingsExecute();
        return kSignalAnswer;
    }
    if (code == kLockSignal) {
        RunLockSession();
        // Held back while the session ran; shown now that lock requests are taken again.
        application_.reports.ShowPending();
        return 0;
    }
    return DefaultHandling(message, code, lParam);
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Messages that other threads send us are handled inside the system's own calls, without
    // coming back to a loop of ours: a flood of them from other programs must not starve the
    // guard. (Our own thread's messages come from our own calls, creating the prompt among them.)
    if (session_.Active() && InSendMessageEx(nullptr) != ISMEX_NOSEND)
        application_.pump.RunGuardIfDue();
    if (message == WM_SYSCOMMAND || message == WM_CLOSE)
        return 0;  // the lock screen cannot be moved, sized, minimised or closed, nor the program ended so
    // Only a real end of the Windows session ends the program: any program can send these.
    // A query is answered with consent; an end that was cancelled keeps everything running.
    if (message == WM_QUERYENDSESSION)
        return TRUE;
    if (message == WM_ENDSESSION) {
        if (wParam && GetSystemMetrics(SM_SHUTTINGDOWN)) {
            TellGuardianOfEnd(LockState::SessionEnding);
            application_.pump.Terminate();
        }
        return 0;
    }
    if (message == WM_HOTKEY && wParam == kHotKeyId) {
        ActionSetVardexExecute(ThenStandBy::No);
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
            ServiceTick(TickCause::Timer);
        else if (wParam == kPromptWaitTimer)
            ShowPromptWait();
        return 0;
    case kPromptInputMessage:
        TakePromptInput(wParam);
        return 0;
    case kTrayMessage:
        // The menu's own loop would stall a session: during one the tray is not answered.
        if (!session_.Active())
            tray_->HandleCallback(lParam);
        return 0;
    case kShowReportsMessage:
        application_.reports.ShowPending();
        return 0;
    case WM_WINDOWPOSCHANGING:
        if (session_.Active())
            RefuseForeignPlacement(*reinterpret_cast<WINDOWPOS*>(lParam));
        return DefaultHandling(message, wParam, lParam);
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
    default:
        return DefaultHandling(message, wParam, lParam);
    }
}

}  // namespace vardex
