#pragma once
// The lock session's state and the lock screen's reactions to input: waking the monitor, the
// power-save countdown, opening the unlock prompt and deciding on the password entered.
#include "GuessDelay.h"
#include "StatsLog.h"
#include "common/Clock.h"
#include "common/PasswordHash.h"
#include "common/Texts.h"
#include "common/WipedString.h"
#include "config/Settings.h"
#include "rules/Grants.h"

#include <optional>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vardex {

enum class MouseButton { Left, Right, Middle };

enum class SessionOutcome { Running = 0, Unlocked = 1, ProgramEnding = 2 };

// How the unlock prompt was closed, and what was typed when it was confirmed.
struct PromptAnswer {
    enum class Kind { Ok, Cancel, Off, MoreTime } kind = Kind::Cancel;
    WipedString entry;
};

// What was asked for at "More time…": the administrator password or a one-time code, and how much.
struct TimeRequest {
    WipedString proof;
    GrantChoice choice;
};

// What came of it: how it was proved (nothing: it was not), with the day's grant where its keeper
// worked it out; or a wait after wrong guesses, or a problem, with nothing checked.
struct TimeOutcome {
    std::optional<GrantProof> proof;
    std::int64_t waitMs = 0;
    std::optional<DayGrant> grant;
    std::string problem;  // for the reports; nothing was checked
};

inline constexpr int kMonitorOn = -1;
// The power-save mode while the time-restriction warning shows: power saving is off.
inline constexpr int kWarningPowerMode = 3;

// The four lines of the red warning for the end the user's time has: "TIME RESTRICTION WARNING!",
// "Your work time period has expired.", "You have about 5 minutes to complete a work", "before
// turning off the system." (or "before you are logged off.", or for a held lock "This computer
// stays locked", "until your next allowed time."), in the texts' language.
std::vector<std::string> WarningLinesFor(EndAction end, const Texts& texts = EnglishTexts());

// True when the entry unlocks: no password set at all, or the entry matches the user's or the
// administrator's stored password (a salted hash, or a plain text compared exactly; a malformed
// value matches nothing).
bool IsEntryAccepted(std::string_view entry, std::string_view userPassword, std::string_view adminPassword,
                     PasswordCrypto& crypto);

// What the lock session asks of the windows and the system.
class LockScreenHost {
public:
    virtual ~LockScreenHost() = default;
    // The monitor power command: -1 on, 0 blank, 1 low power, 2 off.
    virtual void PostMonitorPower(int mode) = 0;
    // Shows or hides the picture and the text panel (hidden, the screen is plain black).
    virtual void SetPanelVisible(bool visible) = 0;
    virtual bool IsPromptOpen() = 0;
    // Closes the open unlock prompt as cancelled.
    virtual void CancelOpenPrompt() = 0;
    // While true, only the administrator's password unlocks (a user held locked at the end of
    // their time).
    virtual bool OnlyAdministratorUnlocks() { return false; }
    // Shows the unlock prompt modally.
    virtual PromptAnswer ShowPrompt() = 0;
    // Runs the password check and returns once it is done. The check takes up to seconds: the
    // window layer keeps the lock screen guarded meanwhile.
    virtual void RunPasswordCheck(const std::function<void()>& check) = 0;
    // The alarm sound; repeat: do not interrupt the sound if it still plays (the warning's).
    virtual void PlayAlarm(bool repeat) = 0;
    // Shows the warning for that end of the time on the text panel in red, scrolling.
    virtual void ShowWarning(EndAction end) = 0;
    // The prompt's "Off" button: end the program, then shut the computer down.
    virtual void RequestShutdownNow() = 0;
    // Hands an error to the program's reports, which show it once the session has ended.
    virtual void ReportError(const std::string& message) = 0;
    // A wrong entry was refused (its time is the host's to note).
    virtual void EntryRefused() {}
    // Whether the prompt offers "More time…": a restriction holds.
    virtual bool OffersMoreTime() { return false; }
    // Asks for the proof and the amount, modally; nothing when cancelled.
    virtual std::optional<TimeRequest> ShowTimePrompt() { return std::nullopt; }
    // Checks the proof (against adminPassword, a copy of the stored one, where no keeper checks
    // it) and has the time granted. Runs inside RunPasswordCheck, off the window thread.
    virtual TimeOutcome GrantTime(TimeRequest /*request*/, const std::string& /*adminPassword*/) { return {}; }
    // On the window thread: the time was granted (kept: the keeper's day grant, else worked out
    // here); the expiry and its warning are over.
    virtual void TimeGranted(const GrantChoice& /*choice*/, const std::optional<DayGrant>& /*kept*/) {}
};

class LockSession {
public:
    LockSession(LockScreenHost& host, LockServiceSettings& settings, StatisticsLog& log, PasswordCrypto& crypto,
                Clock& clock);

    // The steps of a session's life the window layer calls in order.
    void Prepare() noexcept
    {
        idleTicks_ = 0;
        warned_ = false;
    }
    void Activate() noexcept;
    void Deactivate() noexcept { active_ = false; }
    void ProgramEnding() noexcept { outcome_ = SessionOutcome::ProgramEnding; }

    bool Active() const noexcept { return active_; }
    // How many sessions have started: a trust given before one must not outlive it.
    std::uint32_t SessionsStarted() const noexcept { return sessionsStarted_; }
    SessionOutcome Outcome() const noexcept { return outcome_; }
    std::uint32_t IdleTicks() const noexcept { return idleTicks_; }
    void ArmInput() noexcept { inputArmed_ = true; }

    // Input on the lock screen (and, routed there, on the unlock prompt).
    void FormMouseDown(MouseButton button);
    void FormKeyDown();
    void FormMouseMove();
    void ActiveControlChanged();

    // -1 wakes the monitor and restarts the countdown; 0..2 puts it into that power-save mode.
    void SetMonitorPower(int mode);
    // One 3-second tick of the countdown to power save.
    void PowerSaveCountdown();
    // The service timer's tick while the session runs: once the time has expired, the warning
    // (shown once, power save off from then on) and the alarm; then the countdown.
    void LockScreenTick(bool timeExpired);
    // The unlock prompt and its outcome: true when the entry unlocks. Nothing while a prompt is
    // open or an entry is being checked.
    bool AskUnlock();
    // How long until the prompt takes the next entry, after wrong ones (GuessDelay.h).
    std::int64_t EntryWaitMs() { return guessDelay_.WaitLeftMs(clock_.ElapsedMs()); }
    // The wrong entries since the last unlock, counted whether or not the statistics log is
    // kept; taken at an unlock, which starts the count again.
    std::uint32_t TakeFailedEntries() noexcept { return std::exchange(failedEntries_, 0); }

private:
    void OpenPromptAndUnlock();
    bool TakeEntry(WipedString entry);
    bool CheckEntry(WipedString entry);
    // "More time…": true when the time was granted, which ends the session as an unlock does.
    bool AskForTime();
    // The end of a confirmed entry: its count, its sound and its line in the log.
    void Conclude(bool accepted, std::string_view event);

    LockScreenHost& host_;
    LockServiceSettings& settings_;
    StatisticsLog& log_;
    PasswordCrypto& crypto_;
    Clock& clock_;
    GuessDelay guessDelay_;
    bool checking_ = false;
    bool active_ = false;
    bool warned_ = false;  // the held lock's warning shows
    std::uint32_t sessionsStarted_ = 0;
    bool inputArmed_ = false;
    SessionOutcome outcome_ = SessionOutcome::Running;
    std::uint32_t idleTicks_ = 0;
    std::uint32_t failedEntries_ = 0;
    bool skipNextMove_ = false;
    bool powerSwitchBusy_ = false;
};

}  // namespace vardex
