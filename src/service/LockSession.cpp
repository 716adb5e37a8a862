#include "LockSession.h"

#include "common/ScopeGuard.h"

#include <exception>

namespace vardex {

bool IsEntryAccepted(std::string_view entry, std::string_view userPassword, std::string_view adminPassword,
                     PasswordCrypto& crypto)
{
    if (userPassword.empty() && adminPassword.empty())
        return true;
    return (!userPassword.empty() && VerifyPassword(entry, userPassword, crypto)) ||
           (!adminPassword.empty() && VerifyPassword(entry, adminPassword, crypto));
}

LockSession::LockSession(LockScreenHost& host, LockServiceSettings& settings, StatisticsLog& log,
                         PasswordCrypto& crypto, Clock& clock)
    : host_(host), settings_(settings), log_(log), crypto_(crypto), clock_(clock)
{
}

void LockSession::Activate() noexcept
{
    outcome_ = SessionOutcome::Running;
    active_ = true;
    ++sessionsStarted_;
}

void LockSession::FormMouseDown(MouseButton button)
{
    if (!inputArmed_)
        return;
    SetMonitorPower(kMonitorOn);
    // The right button only wakes: the session's own synthetic click uses it.
    if (button != MouseButton::Right)
        OpenPromptAndUnlock();
}

void LockSession::FormKeyDown()
{
    if (!inputArmed_)
        return;
    SetMonitorPower(kMonitorOn);
    OpenPromptAndUnlock();
}

void LockSession::FormMouseMove()
{
    if (!inputArmed_)
        return;
    // The monitor switch itself may cause one move: the first after power save only clears.
    if (!skipNextMove_)
        SetMonitorPower(kMonitorOn);
    skipNextMove_ = false;
}

void LockSession::ActiveControlChanged()
{
    if (inputArmed_)
        SetMonitorPower(kMonitorOn);
}

void LockSession::OpenPromptAndUnlock()
{
    if (AskUnlock())
        outcome_ = SessionOutcome::Unlocked;
}

void LockSession::SetMonitorPower(int mode)
{
    if (powerSwitchBusy_)
        return;
    powerSwitchBusy_ = true;
    const ScopeGuard release([this] { powerSwitchBusy_ = false; });

    if (mode == kMonitorOn) {
        if (std::int64_t{idleTicks_} > settings_.PowerSaveDelay) {
            host_.PostMonitorPower(kMonitorOn);
            host_.SetPanelVisible(true);
        }
        idleTicks_ = 0;
        return;
    }
    if (host_.IsPromptOpen())
        host_.CancelOpenPrompt();
    skipNextMove_ = true;
    host_.SetPanelVisible(false);
    host_.PostMonitorPower(mode);
}

void LockSession::PowerSaveCountdown()
{
    // Only the modes 0 to 2 count down: None (-1) and the warning's 3 never do.
    const bool savingMode = static_cast<std::uint32_t>(settings_.PowerSaveMode) < 3;
    if (std::int64_t{idleTicks_} > settings_.PowerSaveDelay || !savingMode)
        return;
    if (std::int64_t{idleTicks_} == settings_.PowerSaveDelay)
        SetMonitorPower(settings_.PowerSaveMode);
    ++idleTicks_;
}

std::vector<std::string> WarningLinesFor(EndAction end, const Texts& texts)
{
    std::vector<std::string> lines{texts.Get(TextId::WarningTitle), texts.Get(TextId::WarningExpired)};
    if (end == EndAction::StayLocked)
        return {lines[0], lines[1], texts.Get(TextId::WarningStaysLocked), texts.Get(TextId::WarningUntilNext)};
    lines.push_back(texts.Get(TextId::WarningFiveMinutes));
    lines.push_back(texts.Get(end == EndAction::LogOff ? TextId::WarningBeforeLogOff : TextId::WarningBeforeShutDown));
    return lines;
}

void LockSession::LockScreenTick(bool timeExpired)
{
    // A held lock may last for hours: its warning sounds once, and power saving goes on.
    if (timeExpired && settings_.End == EndAction::StayLocked) {
        if (!warned_) {
            warned_ = true;
            SetMonitorPower(kMonitorOn);
            host_.ShowWarning(EndAction::StayLocked);
            host_.PlayAlarm(false);
        }
    } else if (timeExpired) {
        if (settings_.PowerSaveMode != kWarningPowerMode) {
            settings_.PowerSaveMode = kWarningPowerMode;
            SetMonitorPower(kMonitorOn);
            host_.ShowWarning(settings_.End);
        }
        host_.PlayAlarm(true);
    }
    PowerSaveCountdown();
}

bool LockSession::AskUnlock()
{
    // During a check the prompt counts as open: a second one would take a second entry.
    if (checking_ || host_.IsPromptOpen())
        return false;
    PromptAnswer answer = host_.ShowPrompt();
    switch (answer.kind) {
    case PromptAnswer::Kind::Ok: return TakeEntry(std::move(answer.entry));
    case PromptAnswer::Kind::Off:
        host_.RequestShutdownNow();
        return false;
    case PromptAnswer::Kind::MoreTime: return AskForTime();
    case PromptAnswer::Kind::Cancel:
        break;
    }
    return false;
}

bool LockSession::TakeEntry(WipedString entry)
{
    // The prompt's OK is disabled while the wait lasts, but any program can post its command: an
    // entry before the wait is over is not taken, neither checked nor counted.
    if (EntryWaitMs() > 0)
        return false;
    const bool accepted = CheckEntry(std::move(entry));
    Conclude(accepted, accepted ? kAccessPermitted : kAccessDenied);
    return accepted;
}

void LockSession::Conclude(bool accepted, std::string_view event)
{
    if (accepted) {
        guessDelay_.RightEntry();
    } else {
        guessDelay_.WrongEntry(clock_.ElapsedMs());
        ++failedEntries_;
        host_.EntryRefused();
        host_.PlayAlarm(false);
    }
    try {
        log_.Write(settings_.StatisticsEnabled, event);
    } catch (const std::exception& error) {
        // The outcome stands: an unwritable log must never keep a correct password out.
        host_.ReportError(error.what());
    }
}

bool LockSession::AskForTime()
{
    // Only while a restriction holds, whoever sent the button's command.
    if (!host_.OffersMoreTime() || EntryWaitMs() > 0)
        return false;
    std::optional<TimeRequest> request = host_.ShowTimePrompt();
    if (!request || EntryWaitMs() > 0)
        return false;
    const GrantChoice choice = request->choice;
    TimeOutcome outcome;
    {
        checking_ = true;
        const ScopeGuard done([this] { checking_ = false; });
        const WipedString admin(std::string(settings_.AdminPassword));
        host_.RunPasswordCheck([&] { outcome = host_.GrantTime(std::move(*request), admin.Text()); });
    }
    if (!outcome.problem.empty())
        host_.ReportError(outcome.problem);
    // The keeper of the proof made us wait, or did not answer: nothing was checked or counted.
    if (outcome.waitMs > 0 || !outcome.problem.empty())
        return false;
    Conclude(outcome.proof.has_value(), outcome.proof ? GrantEventText(choice, *outcome.proof) : kAccessDenied);
    if (!outcome.proof)
        return false;
    host_.TimeGranted(choice, outcome.grant);
    return true;
}

bool LockSession::CheckEntry(WipedString entry)
{
    checking_ = true;
    const ScopeGuard done([this] { checking_ = false; });
    // Copies for the check, which may run on a thread of its own while a reload changes the
    // settings.
    const WipedString user(std::string(settings_.UserPassword));
    const WipedString admin(std::string(settings_.AdminPassword));
    const bool adminOnly = host_.OnlyAdministratorUnlocks();
    bool accepted = false;
    host_.RunPasswordCheck([&] {
        // Held locked, no password (nor the lack of one) lets the user in: only a set
        // administrator's password does.
        accepted = adminOnly ? !admin.Text().empty() && VerifyPassword(entry.Text(), admin.Text(), crypto_)
                             : IsEntryAccepted(entry.Text(), user.Text(), admin.Text(), crypto_);
        entry = WipedString();  // the typed text goes as soon as it is checked
    });
    return accepted;
}

}  // namespace vardex
