#pragma once
// TMainForm: the lock service's main window. Hidden while idle, it owns the settings, the tray
// icon, the hot key, the service timer and the answers to the signal message; during a lock
// session it is the lock screen (LockScreen, a part of this window) and runs the session's loop.
#include "ServiceApplication_win.h"
#include "KeyboardFilter_win.h"
#include "LockSession.h"
#include "Restrictions.h"
#include "LockScreen_win.h"
#include "LockStatus.h"
#include "StartOptions.h"
#include "StatsLog.h"
#include "GuardianLink_win.h"
#include "guard/GuardProtocol.h"
#include "OrderWatch_win.h"
#include "SystemOps_win.h"
#include "HotKey_win.h"
#include "TrayIcon_win.h"
#include "UnlockPrompt.h"
#include "common/Accounts.h"
#include "common/Clock.h"
#include "win/InputDialog_win.h"
#include "common/PasswordCheck.h"
#include "AdminTrust_win.h"
#include "config/CfgForm_win.h"
#include "common/Files.h"
#include "win/Files_win.h"
#include "common/Registry.h"
#include "common/SystemFacts.h"
#include "win/ResourceTexts_win.h"
#include "win/Window_win.h"
#include "config/Settings.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vardex {

// The platform services the lock service works through.
struct ServicePorts {
    Registry& registry;
    SystemFacts& system;
    Accounts& accounts;
    FileSystem& files;
    Clock& clock;
    PasswordCrypto& crypto;
};

class TMainForm final : public Window, private LockScreenHost, private RestrictionHost {
public:
    // guardian: the link to the guardian, opened or not; it outlives the window.
    TMainForm(Application& application, ServicePorts ports, GuardianLink& guardian, UINT signalMessage);
    ~TMainForm() override;

    void FormCreate(const StartOptions& options);

    // The actions.
    void ActionLoadSettingsExecute();
    // A lock asked for from the standby action, or at the hot key or the tray (no standby).
    enum class ThenStandBy { No, Yes };
    void ActionSetVardexExecute(ThenStandBy standBy);
    void ActionSetVardexStandByExecute();
    void ActionLockWorkStationExecute();
    // The configuration window, behind the administrator password; one at a time.
    void ActionConfigureExecute();
    void ExitFromConfiguration();

    // The lock session: runs until a password unlocks or the program ends; true when unlocked.
    bool RunLockSession();

    const LockServiceSettings& Settings() const noexcept { return settings_; }
    const LockSession& Session() const noexcept { return session_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // LockScreenHost
    void PostMonitorPower(int mode) override;
    void SetPanelVisible(bool visible) override { lockScreen_->SetPanelVisible(visible); }
    bool IsPromptOpen() override { return promptOrders_ != nullptr; }
    void CancelOpenPrompt() override;
    PromptAnswer ShowPrompt() override;
    void RunPasswordCheck(const std::function<void()>& check) override;
    void PlayAlarm(bool repeat) override;
    void ShowWarning(EndAction end) override { lockScreen_->ShowWarning(WarningLinesFor(end, *texts_)); }
    void RequestShutdownNow() override;
    void ReportError(const std::string& message) override;
    void EntryRefused() override { lastRefusedEntry_ = restrictions_.MomentNow(); }
    bool OffersMoreTime() override { return restrictions_.TimeExpired(); }
    std::optional<TimeRequest> ShowTimePrompt() override;
    TimeOutcome GrantTime(TimeRequest request, const std::string& adminPassword) override;
    void TimeGranted(const GrantChoice& choice, const std::optional<DayGrant>& kept) override;
    // A prompt on a desktop of its own (or, where none can be had, in front of the lock screen),
    // with the orders of the window thread; show makes it and runs it, owned by the owner given.
    template <typename Answer>
    Answer ShowApart(const std::function<Answer(HWND owner, PromptOrders& orders, MessagePump& pump)>& show);

    // RestrictionHost
    void PostLockSignal() override;
    // Ends the program after processing pending messages; the computer is then shut down.
    void RequestShutdown() override;
    void RequestLogOff() override;
    bool OnlyAdministratorUnlocks() override { return restrictions_.HeldLocked(); }
    bool SetSystemClock(std::int64_t utcMs) override;
    bool DayUseKeptElsewhere() override { return guardian_.Connected(); }
    void RecordDay(const UsageDay& day) override;
    bool Locked() override { return session_.Active(); }
    std::uint32_t IdleSeconds() override;

    void FormDestroy() noexcept;
    // Keeps the settings' hot key registered; a code that cannot be is reported and retried.
    void HoldHotKey();
    // The heartbeat to the guardian, where one runs: whether we are locked or expired, so that a
    // lock service it starts after us goes on from there, and whether the day's use counts now.
    // Then its day's count, when it sent one.
    void TellGuardian() noexcept;
    void TakeGuardianDay() noexcept;
    // Tells the guardian the planned end (Exit, the end of the session) before it happens.
    void TellGuardianOfEnd(LockState state) noexcept;
    // Every defence against the messages other programs may send or post to stop, move or end
    // the lock: refused here, with the answer to give; or trimmed to what is allowed, and none (as
    // for every message not refused): the message goes on. Sent ones also run the guard when it
    // is due, so that a flood of them cannot starve it.
    std::optional<LRESULT> ResistForeignMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The main window's answers, one for each message it takes; the lock screen's messages, and
    // the default handling of the rest.
    LRESULT AnswerAsLockScreen(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnHotKey(WPARAM id, LPARAM lParam);
    LRESULT OnSignal(WPARAM code, LPARAM lParam);
    LRESULT OnTaskbarCreated();
    LRESULT OnTimer(WPARAM id);
    LRESULT OnTrayMessage(LPARAM event);
    LRESULT OnShowReports();
    LRESULT OnMenuDrawing(UINT message, WPARAM wParam, LPARAM lParam);
    // The first tick runs at the start, where it posts no lock signal; the others on the timer.
    enum class TickCause { Start, Timer };
    void ServiceTick(TickCause cause);
    void OnTrayCommand(TrayCommand command);
    // What the user is told at each tick: the lock screen's status block, and the warning of the
    // tray before the time runs out.
    void TellStanding();
    StatusLines StatusNow(const WeekRules& rules, LocalMoment now, const std::optional<Standing>& standing) const;
    // After an unlock: the wrong entries made since the last one.
    void TellFailedEntries();
    void SessionPass();
    // The guard of the session, run at every pass of its loop and every 20 ms of any loop during
    // it (the prompt's too), and at once for a window event: the short check, which only reads
    // (hides the shell windows it finds shown) and runs the full pass when what it read calls for
    // it, or when the full pass is due.
    void CheckLockScreen() noexcept;
    // Every defence, each reading first and acting on what it finds.
    void GuardLockScreen() noexcept;
    // Hands the order watch what the last check found.
    void WatchShellWindows() noexcept;
    // The whole search, by class and by title.
    void HideShellWindows(unsigned long long now) noexcept;
    // A reload asked for during the session, done once.
    void ReloadIfAsked() noexcept;
    void EndSession() noexcept;
    // The wait the unlock prompt shows, at each whole second.
    void ShowPromptWait();

    Application& application_;
    ServicePorts ports_;
    GuardianLink& guardian_;
    const UINT signalMessage_;
    const UINT taskbarCreatedMessage_;
    RegionalFormats regional_;
    // The formats schedules are read with: the system default locale's, which the restricted
    // user cannot change.
    RegionalFormats timeFormats_;
    std::string programDirectory_;
    std::string helpFile_;
    LockServiceSettings settings_;
    // The texts in the user's language (or the one the settings force).
    // Shared with the configuration window, which keeps its language while a reload changes this.
    std::shared_ptr<const ResourceTexts> texts_ = std::make_shared<const ResourceTexts>(Language::English);
    StatisticsLog log_;
    LockSession session_;
    TimeRestrictions restrictions_;
    std::unique_ptr<TrayIcon> tray_;
    EndWarnings endWarnings_;
    std::optional<LocalMoment> lastRefusedEntry_;
    // Made once the window is: the messages of its creation are not the lock screen's.
    std::unique_ptr<LockScreen> lockScreen_;
    KeyboardFilter keyboardFilter_;
    std::unique_ptr<LockHotKey> hotKey_;
    bool hotKeyReported_ = false;
    bool guardianGreeted_ = false;
    ShellWindowGuard shellWindows_;
    bool reloadAsked_ = false;
    // Where the system reports other programs' windows, the loop waits for events and the full
    // pass; elsewhere for the order watch's thread, or it runs the short check at every short pass.
    bool eventsReported_ = false;
    WindowOrderWatch* orderWatch_ = nullptr;
    // The last check found the lock screen in place: the next one waits for an event.
    bool settled_ = true;
    // The last wait of the loop timed out: no message came meanwhile.
    bool waitTimedOut_ = false;
    unsigned long long lastFullPass_ = 0;
    unsigned long long lastTitleSearch_ = 0;
    // The guard runs from the session loop's pass, whose wait includes the keyboard filter's end.
    bool inSessionPass_ = false;
    // While the unlock prompt is under way: its orders.
    PromptOrders* promptOrders_ = nullptr;
    bool settingsLoaded_ = false;
    Win32PasswordPromptHost promptHost_;
    PasswordCheck passwordCheck_;
    AdminTrust adminTrust_;
    TCfgForm* configForm_ = nullptr;
};

}  // namespace vardex
