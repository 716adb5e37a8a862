// The lock service's main window, and the loops it runs. How they nest:
//
//   the program's pump (ServiceApplication_win: GetMessage until WM_QUIT of our own)
//    |- the service timer, every 3 s (OnTimer): ServiceTick (the restrictions, the guardian's
//    |  beat, the tray, the hot key); ticks never overlap (the timer is stopped while one runs)
//    |- the signal "Zeps01" (OnSignal): reload (only noted during a lock, done at the guard's
//    |  next full pass) or lock: RunLockSession, a loop of its own until the outcome is known
//    |   |- each pass (SessionPass): the pending messages, then the guard, then a wait for the
//    |   |  next message, the keyboard filter thread's end, the order watch's signal, or the full
//    |   |  pass every 500 ms (ShellWatch's events wake the loop where the system reports other
//    |   |  programs' windows; under Wine, which reports none, WindowOrderWatch's thread reads
//    |   |  every 15 ms and signals a change); after a check that found the lock screen out of
//    |   |  place, the next comes after 15 ms
//    |   |- the guard (CheckLockScreen): the short check reads (shell windows found before or
//    |   |  where the z-order changed are hidden, ShellWindowGuard::HideChanged;
//    |   |  LockScreen::InPlace) and runs the full pass (GuardLockScreen: windows hidden, the lock
//    |   |  screen in front (LockScreen::KeepInFront), the keyboard filter, a noted reload, the
//    |   |  lock screen in the foreground (KeepForeground)) when a reading calls for it or it is due;
//    |   |  also run by ShellWatch's events, at once
//    |   |- the unlock prompt (ShowPrompt): on its own thread and desktop (RunOnOwnDesktop) while
//    |   |  this thread goes on with the passes; its events come back posted to the lock screen
//    |   |  (LockScreen::Answer), the last ones taken after its end (TakePostedPromptInput)
//    |   `- the password check: RunOffThread, this thread still dispatching and guarding
//    `- "Configure" (ActionConfigureExecute): the password prompt (RunOnOwnDesktop), then the
//       configuration window's modal loop (TCfgForm::ShowModal). A lock signal taken inside it
//       runs the lock session inside it: the window is hidden and its trust ended first
//       (Suspend), and asks for the password again after the unlock (Resume)
//
// Re-entry guards: a lock session does not start inside another (session_.Active()); one
// configuration window (configForm_); one password prompt at a time (PasswordCheck); a WM_QUIT
// that is not ours ends no loop (MessagePump); messages other threads send during a lock run the
// guard when it is due, inside the system's own call (ResistForeignMessage).
#include "MainForm_win.h"
#include "win/SystemFacts_win.h"

#include "common/HotKey.h"
#include "HotKey_win.h"
#include "ProcessGuard_win.h"
#include "ScreenSaverMode.h"
#include "ShellWatch_win.h"
#include "SystemOps_win.h"
#include "TimePrompt_win.h"
#include "UnlockPrompt_win.h"
#include "common/OneTimeCode.h"
#include "win/CodeSecret_win.h"
#include "common/Application.h"
#include "win/OffThread_win.h"
#include "win/OwnDesktop_win.h"
#include "common/ScopeGuard.h"
#include "win/TextConvert_win.h"
#include "win/UniqueHandle_win.h"

#include <mmsystem.h>

#include <algorithm>

namespace vardex {

namespace {
constexpr UINT_PTR kServiceTimer = 1;
// The longest a grant waits for the guardian's check of its proof.
constexpr DWORD kGrantAnswerMs = 20000;
// At the next whole second of the wait the unlock prompt shows after wrong entries.
constexpr UINT_PTR kPromptWaitTimer = 2;
constexpr UINT kServiceIntervalMs = 3000;
constexpr UINT kTrayMessage = WM_APP + 1;
// Posted at the end of the start: the reports held back during it are shown from the loop.
constexpr UINT kShowReportsMessage = WM_APP + 2;
// Where the system reports other programs' windows, the session loop sleeps until an event and
// at most this long: the full pass then catches what no event reports.
constexpr ULONGLONG kFullPassMs = 500;
// Where it does not (Wine), the short check pass: at most this long between two. The benchmarks
// build a variant with 0, a loop that polls without waiting (and without the events).
#ifndef VARDEX_SESSION_PASS_MS
#define VARDEX_SESSION_PASS_MS 15
#endif
constexpr DWORD kSessionPassMs = VARDEX_SESSION_PASS_MS;
// The whole search for shell windows, by class and by a walk through every window for the Task
// Manager's title: at most this long apart. Between two, the short check looks only at the ones
// found before and at where the z-order changed.
constexpr ULONGLONG kTitleSearchMs = 100;

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
    lockScreen_ = std::make_unique<LockScreen>(Handle(), session_);
    // Started above the user's programs, the window takes from them only these: the screen
    // saver's signals, the tray's callbacks and the taskbar's new start.
    for (const UINT allowed : {signalMessage_, kTrayMessage, taskbarCreatedMessage_})
        ChangeWindowMessageFilterEx(Handle(), allowed, MSGFLT_ALLOW, nullptr);
    hotKey_ = std::make_unique<LockHotKey>(Handle());
    tray_ = std::make_unique<TrayIcon>(Handle(), kTrayMessage, [this](TrayCommand command) { OnTrayCommand(command); });
}

TMainForm::~TMainForm()
{
    FormDestroy();
    lockScreen_.reset();
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
    restrictions_.UseFirstWeekday(timeFormats_.firstWeekday);
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
    lockScreen_->PlaceSecretPanel();
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
    const std::int32_t dayInMemory = settings_.CounterDay, weekInMemory = settings_.WeekCounterDay;
    const std::uint32_t usedInMemory = settings_.UsedSeconds, weekUsedInMemory = settings_.WeekUsedSeconds;
    const std::vector<std::string> problems =
        LoadServiceSettings(settings_, ports_.registry, userKey, programDirectory_, timeFormats_);
    // A reload never gives back time already used, even when the stored count is stale.
    if (settingsLoaded_ && previousUser == userKey) {
        KeepDayUse(settings_, dayInMemory, usedInMemory);
        KeepWeekUse(settings_, weekInMemory, weekUsedInMemory);
    }
    settingsLoaded_ = true;
    if (const Language language = ProgramLanguage(settings_.Language); language != texts_->Of())
        texts_ = std::make_shared<const ResourceTexts>(language);
    application_.reportDisplay.SpeakIn(texts_);
    promptHost_.SpeakIn(texts_);
    HoldHotKey();
    tray_->SetCaption(TrayCommand::Lock, Widen(LockActionCaption(settings_.HotKey, LayoutKeyNameOf, *texts_)));
    tray_->SetCaption(TrayCommand::LockWorkStation, Widen(texts_->Get(TextId::TrayLockWorkStation)));
    tray_->SetCaption(TrayCommand::Configure, Widen(texts_->Get(TextId::TrayConfigure)));
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
        ReportError(EnglishMessage(TextId::MessageHotKeyHeld, {HotKeyText(settings_.HotKey, LayoutKeyNameOf)}));
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
            {EnglishText(TextId::MessageNoScreenSaver), ReportKind::Information, [] { StartAtUserLevel(L"CONTROL.EXE DESK.CPL"); }});
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
        context.codeSecret = [this](bool makeNew) { return adminTrust_.CodeSecret(makeNew); };
    }
    context.regainTrust = [this] { return adminTrust_.Prove(); };
    context.trustBusy = [this] { return adminTrust_.Busy(); };
    context.openToAnyone = settings_.AdminPassword.empty();
    context.texts = texts_;
    TCfgForm form(std::move(context));
    configForm_ = &form;
    const ScopeGuard forget([this] {
        configForm_ = nullptr;
        adminTrust_.Forget();
    });
    form.ShowModal(application_.window.Handle());
    if (form.ClosedUntrusted())
        application_.reports.Submit({EnglishText(TextId::MessageClosedUntrusted), ReportKind::Information, nullptr});
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
    // Last: words for the user never keep the lock's own work or the heartbeat from running.
    TellStanding();
}

StatusLines TMainForm::StatusNow(const WeekRules& rules, LocalMoment now, const std::optional<Standing>& standing) const
{
    StatusLines lines;
    lines.clock = FormatShortTime(timeFormats_, now.second / 3600, now.second / 60 % 60);
    lines.date = SystemShortDate(now.day);
    lines.user = ports_.accounts.GetCurrentUserName();
    RestrictionView view;
    view.expired = restrictions_.TimeExpired();
    view.end = settings_.End;
    view.graceLeftSeconds = restrictions_.GraceLeft() / 1000;
    if (standing)
        view.standing = *standing;
    lines.standing = StandingLine(rules, now, view, timeFormats_, *texts_);
    lines.hint = texts_->Get(TextId::UnlockHint);
    lines.urgent = view.expired || !view.standing.Allowed() ||
                   (view.standing.secondsLeft && *view.standing.secondsLeft <= 5 * 60);
    return lines;
}

void TMainForm::TellStanding()
{
    const std::optional<LocalMoment> now = restrictions_.LastTickMoment();
    if (!now)
        return;
    const WeekRules rules = restrictions_.Rules();
    const bool warns = settings_.EndWarnings && Restricts(rules);
    // The week's standing is worked out only when someone is told it.
    if (!session_.Active() && !warns)
        return;
    const std::optional<Standing> standing = restrictions_.StandingNow();
    if (session_.Active())
        lockScreen_->SetStatus(StatusNow(rules, *now, standing), settings_.Status);
    if (!warns || !standing)
        return;
    endWarnings_.SetThresholds(settings_.EndWarningMinutes);
    const std::optional<std::int64_t> left =
        standing->Allowed() && !restrictions_.TimeExpired() ? standing->secondsLeft : std::nullopt;
    // While locked the lock screen shows the time left itself.
    if (const std::optional<std::int32_t> minutes = endWarnings_.Take(left, !session_.Active()))
        tray_->Notify(Widen(EndWarningText(*minutes, LocalMoment::FromLinear(now->Linear() + *left), timeFormats_, *texts_)),
                      TrayIcon::Notice::Warning);
}

void TMainForm::TellFailedEntries()
{
    const std::uint32_t failed = session_.TakeFailedEntries();
    if (failed && lastRefusedEntry_)
        tray_->Notify(Widen(FailedAttemptsText(failed, *lastRefusedEntry_, timeFormats_, *texts_)),
                      TrayIcon::Notice::Warning);
    lastRefusedEntry_.reset();
}

void TMainForm::TellGuardian() noexcept
{
    // A held lock is no expiry to the guardian: no grace runs out, and the session is not ended.
    const LockState state = restrictions_.TimeExpired() && !restrictions_.HeldLocked() ? LockState::Expired
                            : session_.Active()         ? LockState::Locked
                                                        : LockState::Unlocked;
    guardian_.Beat(state, restrictions_.GraceLeft(), restrictions_.Counting());
}

void TMainForm::TakeGuardianDay() noexcept
{
    // Its greeting may come later than our start (a busy guardian): its zone and day then.
    if (!guardianGreeted_) {
        if (const std::optional<GuardHello> hello = guardian_.Hello()) {
            guardianGreeted_ = true;
            restrictions_.UseZone(hello->zone);
            restrictions_.TakeKeptDayUse(hello->day.day, hello->day.usedSeconds, hello->day.week,
                                         hello->day.weekUsedSeconds);
        }
    }
    if (const std::optional<GuardDay> day = guardian_.TakeDay())
        restrictions_.TakeKeptDayUse(day->day, day->usedSeconds, day->week, day->weekUsedSeconds);
    if (const unsigned lost = guardian_.TakeLostLines())
        ReportError(EnglishMessage(TextId::MessageLinesLost, {std::to_string(lost)}));
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

void TMainForm::RecordDay(const UsageDay& day)
{
    // Without a guardian the program folder is writable only where the user may write it; a
    // history that cannot be written is no matter for the tick.
    try {
        AppendUsageDay(ports_.files, UsageHistoryPath(programDirectory_, settings_.UserKey), day);
    } catch (const std::exception&) {
    }
}

void TMainForm::RequestLogOff()
{
    application_.exitMode = ExitMode::LogOff;
    application_.pump.Terminate();
    application_.pump.ProcessPendingMessages();
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

    // A notification would be one more window above the lock screen: the lock screen tells it all.
    tray_->ClearNotification();
    lockScreen_->SetStatus(StatusNow(restrictions_.Rules(), restrictions_.MomentNow(), restrictions_.StandingNow()),
                           settings_.Status);
    lockScreen_->Show(settings_, ports_.system.SameNameIgnoringCase(settings_.BackgroundFile, programDirectory_ + kDefaultBackgroundName));
    session_.Activate();
    TellGuardian();
    std::optional<ShellWatch> watch;
    std::optional<WindowOrderWatch> orderWatch;
    if (kSessionPassMs > 0) {
        watch.emplace(shellWindows_, [this] { application_.pump.RunGuardIfDue(); });
        eventsReported_ = ShellWatch::ReportsOtherProgramsWindows();
        if (!eventsReported_)
            orderWatch.emplace(kSessionPassMs);
    }
    orderWatch_ = orderWatch && orderWatch->Running() ? &*orderWatch : nullptr;
    settled_ = true;
    lastFullPass_ = 0;
    waitTimedOut_ = false;
    application_.pump.SetGuard([this] { CheckLockScreen(); });
    while (session_.Outcome() == SessionOutcome::Running) {
        try {
            SessionPass();
        } catch (...) {
            // Fail closed: an error is reported after the session, and the session goes on.
            ReportCurrentError();
        }
    }
    if (session_.Outcome() != SessionOutcome::Unlocked)
        return false;
    restrictions_.AdministratorUnlocked();
    return true;
}

void TMainForm::SessionPass()
{
    if (application_.pump.Terminated())
        session_.ProgramEnding();
    // A wait that timed out saw no message arrive: nothing to take.
    if (!waitTimedOut_)
        application_.pump.ProcessPendingMessages();
    waitTimedOut_ = false;
    // Every wake-up is an event (a message, a window event, the keyboard filter's end) or the
    // time of a pass: checked at once.
    if (kSessionPassMs > 0) {
        inSessionPass_ = true;
        application_.pump.RunGuard();
        inSessionPass_ = false;
    } else
        application_.pump.RunGuardIfDue();
    session_.ArmInput();
    if (kSessionPassMs == 0 || session_.Outcome() != SessionOutcome::Running || application_.pump.Terminated())
        return;
    const ULONGLONG sinceFull = GetTickCount64() - lastFullPass_;
    const DWORD untilFull = static_cast<DWORD>(sinceFull < kFullPassMs ? kFullPassMs - sinceFull : 0);
    // Until a check finds the lock screen in place again, the next one comes soon; with nothing
    // that reports other programs' windows, every check is a short pass.
    const bool reported = eventsReported_ || orderWatch_;
    const DWORD wait = reported && settled_ ? untilFull : std::min<DWORD>(untilFull, kSessionPassMs);
    waitTimedOut_ = application_.pump.WaitForMessages(
        wait, {keyboardFilter_.Thread(), orderWatch_ ? orderWatch_->Changed() : nullptr});
}

void TMainForm::CheckLockScreen() noexcept
{
    if (session_.Outcome() != SessionOutcome::Running)
        return;
    const ULONGLONG now = GetTickCount64();
    if (now - lastFullPass_ >= kFullPassMs) {
        GuardLockScreen();
        return;
    }
    if (now - lastTitleSearch_ >= kTitleSearchMs)
        HideShellWindows(now);
    else
        shellWindows_.HideChanged();
    // The session loop's wait wakes when the keyboard filter's thread ends; other loops do not.
    settled_ = !reloadAsked_ && (inSessionPass_ || !keyboardFilter_.Stopped()) && lockScreen_->InPlace();
    if (!settled_)
        GuardLockScreen();
    WatchShellWindows();
}

void TMainForm::WatchShellWindows() noexcept
{
    if (orderWatch_)
        orderWatch_->Watch(shellWindows_.Found(), shellWindows_.LastTopmost());
}

void TMainForm::GuardLockScreen() noexcept
{
    if (session_.Outcome() != SessionOutcome::Running)
        return;
    lastFullPass_ = GetTickCount64();
    HideShellWindows(lastFullPass_);
    lockScreen_->KeepInFront();
    keyboardFilter_.KeepRunning();
    // Input the system took that the keyboard filter did not see (the pointer's too, which it
    // never sees: a needless new install at most once a full pass).
    LASTINPUTINFO input{sizeof input, 0};
    if (GetLastInputInfo(&input))
        keyboardFilter_.CheckHeard(input.dwTime);
    ReloadIfAsked();
    lockScreen_->KeepForeground();
    WatchShellWindows();
}

void TMainForm::HideShellWindows(unsigned long long now) noexcept
{
    lastTitleSearch_ = now;
    shellWindows_.HideAll();
}

void TMainForm::EndSession() noexcept
{
    application_.pump.ClearGuard();
    orderWatch_ = nullptr;
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
    lockScreen_->Hide();
    keyboardFilter_.Remove();
    BOOL previous = FALSE;
    SystemParametersInfoW(SPI_SETSCREENSAVERRUNNING, FALSE, &previous, 0);
}

std::uint32_t TMainForm::IdleSeconds()
{
    LASTINPUTINFO input{sizeof input, 0};
    return GetLastInputInfo(&input) ? (GetTickCount() - input.dwTime) / 1000 : 0;
}

void TMainForm::PostMonitorPower(int mode)
{
    PostMessageW(application_.window.Handle(), WM_SYSCOMMAND, SC_MONITORPOWER, mode);
}

void TMainForm::CancelOpenPrompt()
{
    if (promptOrders_)
        promptOrders_->Cancel();
}

template <typename Answer>
Answer TMainForm::ShowApart(const std::function<Answer(HWND owner, PromptOrders& orders, MessagePump& pump)>& show)
{
    PromptOrders orders([](void* window, PromptOrder order, std::int64_t seconds) {
        PostMessageW(static_cast<HWND>(window), kPromptOrderMessage, static_cast<WPARAM>(order),
                     static_cast<LPARAM>(seconds));
    });
    promptOrders_ = &orders;
    lockScreen_->PromptOpening();
    const ScopeGuard forget([this] {
        KillTimer(Handle(), kPromptWaitTimer);
        promptOrders_ = nullptr;
        lockScreen_->PromptEnded();
    });
    ShowPromptWait();
    Answer answer{};
    // On a desktop of our own, where no low-level hook of the user's programs sees the keys (the
    // administrator password unlocks too). Its thread keeps no state of the session: this thread
    // takes its input and keeps guarding meanwhile. Where no such desktop can be had, in front of
    // the lock screen as before.
    const bool apart = RunOnOwnDesktop(application_.pump, [&](MessagePump& own) { answer = show(nullptr, orders, own); });
    if (!apart) {
        lockScreen_->PromptOnLockScreen();
        answer = show(Handle(), orders, application_.pump);
    }
    lockScreen_->TakePostedPromptInput();
    return answer;
}

PromptAnswer TMainForm::ShowPrompt()
{
    const HWND lockScreen = Handle();
    const bool shutdownAllowed = settings_.ShutdownAllowed;
    const bool moreTime = OffersMoreTime();
    const Texts& texts = *texts_;
    return ShowApart<PromptAnswer>([&](HWND owner, PromptOrders& orders, MessagePump& pump) {
        TPwdForm prompt(lockScreen, owner, shutdownAllowed, moreTime, orders, texts);
        return prompt.ShowModal(pump);
    });
}

std::optional<TimeRequest> TMainForm::ShowTimePrompt()
{
    const HWND lockScreen = Handle();
    const LocalMoment now = restrictions_.MomentNow();
    const Texts& texts = *texts_;
    return ShowApart<std::optional<TimeRequest>>([&](HWND owner, PromptOrders& orders, MessagePump& pump) {
        TGrantForm form(lockScreen, orders, now, texts);
        return form.ShowModal(pump, owner);
    });
}

TimeOutcome TMainForm::GrantTime(TimeRequest request, const std::string& adminPassword)
{
    // Off the window thread: only the copies taken here and the guardian's link are touched.
    if (guardian_.Connected()) {
        const std::optional<std::string> answer =
            guardian_.Ask(GuardRequest::Grant(request.choice, std::move(request.proof.Text())), kGrantAnswerMs);
        const std::optional<GrantAnswer> grant = answer ? ParseGrantAnswer(*answer) : std::nullopt;
        if (!grant)
            // Unheard or refused (a time already past): nothing was proved, nor guessed.
            return {std::nullopt, 0, std::nullopt,
                    EnglishText(answer ? TextId::MessageGrantPassed : TextId::MessageGrantGuardianSilent)};
        if (grant->waitSeconds)
            return {std::nullopt, std::int64_t{grant->waitSeconds} * 1000, std::nullopt, {}};
        return {grant->day ? std::optional<GrantProof>(grant->proof) : std::nullopt, 0,
                grant->day ? grant->day->Grant() : std::nullopt, {}};
    }
    // No guardian: the password is checked here; a code only where this account may read its
    // secret (an administrator's).
    const std::string& proof = request.proof.Text();
    if (IsCodeText(proof)) {
        try {
            Win32SecretStore secrets;
            CodeSecret codes(secrets, ports_.crypto, ports_.clock);
            if (codes.Take(proof))
                return {GrantProof::Code, 0, std::nullopt, {}};
        } catch (const std::exception&) {
            // A standard user's token reads no secret: the code proves nothing.
        }
    }
    // Only a set administrator password proves anything: no password is no proof.
    if (!adminPassword.empty() && VerifyPassword(proof, adminPassword, ports_.crypto))
        return {GrantProof::Password, 0, std::nullopt, {}};
    return {};
}

void TMainForm::TimeGranted(const GrantChoice& choice, const std::optional<DayGrant>& kept)
{
    const std::optional<DayGrant> grant = kept ? kept : Granted(settings_.Grant, choice, restrictions_.MomentNow());
    if (grant)
        restrictions_.TakeGrant(*grant);
    // The warning goes with the expiry, and power saving comes back with the settings as stored.
    lockScreen_->ClearWarning();
    reloadAsked_ = true;
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

void TMainForm::RequestShutdownNow()
{
    application_.exitMode = ExitMode::Shutdown;
    application_.pump.Terminate();
}

void TMainForm::ReportError(const std::string& message)
{
    application_.reports.ReportError(message);
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

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (const std::optional<LRESULT> refused = ResistForeignMessage(message, wParam, lParam))
        return *refused;
    if (message == signalMessage_)
        return OnSignal(wParam, lParam);
    if (message == taskbarCreatedMessage_)
        return OnTaskbarCreated();
    switch (message) {
    case WM_HOTKEY: return OnHotKey(wParam, lParam);
    case WM_TIMER: return OnTimer(wParam);
    case kTrayMessage: return OnTrayMessage(lParam);
    case kShowReportsMessage: return OnShowReports();
    case WM_MEASUREITEM:
    case WM_DRAWITEM: return OnMenuDrawing(message, wParam, lParam);
    default: return AnswerAsLockScreen(message, wParam, lParam);
    }
}

std::optional<LRESULT> TMainForm::ResistForeignMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Messages that other threads send us are handled inside the system's own calls, without
    // coming back to a loop of ours: a flood of them from other programs must not starve the
    // guard. (Our own thread's messages come from our own calls, creating the prompt among them.)
    if (session_.Active() && InSendMessageEx(nullptr) != ISMEX_NOSEND)
        application_.pump.RunGuardIfDue();
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
        // Every key passes the keyboard filter before it comes here: one it did not see means it
        // may have been removed.
        if (session_.Active())
            keyboardFilter_.CheckHeard(static_cast<unsigned long>(GetMessageTime()));
        return std::nullopt;
    case WM_SYSCOMMAND:
    case WM_CLOSE:
        return 0;  // the lock screen cannot be moved, sized, minimised or closed, nor the program ended so
    // Only a real end of the Windows session ends the program: any program can send these.
    // A query is answered with consent; an end that was cancelled keeps everything running.
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        if (wParam && GetSystemMetrics(SM_SHUTTINGDOWN)) {
            TellGuardianOfEnd(LockState::SessionEnding);
            application_.pump.Terminate();
        }
        return 0;
    case WM_WINDOWPOSCHANGING:
        // Trimmed to what keeps the lock screen in place; the rest is the system's to do.
        if (session_.Active())
            LockScreen::RefuseForeignPlacement(*reinterpret_cast<WINDOWPOS*>(lParam));
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

LRESULT TMainForm::AnswerAsLockScreen(UINT message, WPARAM wParam, LPARAM lParam)
{
    // No lock screen yet while the window is created, nor any more while it is destroyed.
    if (lockScreen_)
        if (const std::optional<LRESULT> answer = lockScreen_->Answer(message, wParam, lParam))
            return *answer;
    return DefaultHandling(message, wParam, lParam);
}

LRESULT TMainForm::OnHotKey(WPARAM id, LPARAM lParam)
{
    if (id == kHotKeyId)
        ActionSetVardexExecute(ThenStandBy::No);
    return DefaultHandling(WM_HOTKEY, id, lParam);
}

LRESULT TMainForm::OnSignal(WPARAM code, LPARAM lParam)
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
        if (RunLockSession())
            TellFailedEntries();
        // Held back while the session ran; shown now that lock requests are taken again.
        application_.reports.ShowPending();
        return 0;
    }
    return DefaultHandling(signalMessage_, code, lParam);
}

LRESULT TMainForm::OnTaskbarCreated()
{
    tray_->Recreate();
    return 0;
}

LRESULT TMainForm::OnTimer(WPARAM id)
{
    if (id == kServiceTimer)
        ServiceTick(TickCause::Timer);
    else if (id == kPromptWaitTimer)
        ShowPromptWait();
    return 0;
}

LRESULT TMainForm::OnTrayMessage(LPARAM event)
{
    // The menu's own loop would stall a session: during one the tray is not answered.
    if (!session_.Active())
        tray_->HandleCallback(event);
    return 0;
}

LRESULT TMainForm::OnShowReports()
{
    application_.reports.ShowPending();
    return 0;
}

LRESULT TMainForm::OnMenuDrawing(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (tray_->HandleMenuDrawing(message, lParam))
        return TRUE;
    return DefaultHandling(message, wParam, lParam);
}

}  // namespace vardex
