#include "CheapCrypto.h"
#include "FakeSystem.h"
#include "common/Text.h"
#include "service/LockSession.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <stdexcept>

namespace vardex {
namespace {

using test::CheapCrypto;
using test::FakeClock;
using test::MemoryFileSystem;
constexpr const char* kLog = "C:\\V\\User1.log";

// Records what the session asks of the window layer and answers prompts from a script.
class RecordingHost final : public LockScreenHost {
public:
    std::vector<std::string> calls;
    std::deque<PromptAnswer> answers;  // what the next prompts return
    std::function<void()> duringCheck;  // runs while a password check is under way
    bool promptOpen = false;
    bool panelVisible = true;

    void PostMonitorPower(int mode) override { calls.push_back("monitor " + std::to_string(mode)); }
    void SetPanelVisible(bool visible) override { panelVisible = visible; }
    bool IsPromptOpen() override { return promptOpen; }
    void CancelOpenPrompt() override
    {
        calls.push_back("cancel prompt");
        promptOpen = false;
    }
    PromptAnswer ShowPrompt() override
    {
        calls.push_back("prompt");
        if (answers.empty())
            return {};
        PromptAnswer answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
    void RunPasswordCheck(const std::function<void()>& check) override
    {
        calls.push_back("check");
        if (duringCheck)
            duringCheck();
        check();
    }
    void PlayAlarm(bool repeat) override { calls.push_back(repeat ? "alarm again" : "alarm"); }
    void ShowWarning(EndAction end) override
    {
        const std::vector<std::string> lines = WarningLinesFor(end);
        calls.push_back("warning " + lines.front() + " (" + std::to_string(lines.size()) + " lines)");
    }
    void RequestShutdownNow() override { calls.push_back("shutdown"); }
    bool adminOnly = false;
    bool OnlyAdministratorUnlocks() override { return adminOnly; }
    void ReportError(const std::string& message) override { calls.push_back("error " + message); }
    // "More time…": offered or not, the request the next time prompt returns, and the outcome.
    bool offersTime = false;
    std::optional<TimeRequest> timeRequest;
    TimeOutcome timeOutcome;
    bool OffersMoreTime() override { return offersTime; }
    std::optional<TimeRequest> ShowTimePrompt() override
    {
        calls.push_back("time prompt");
        return std::move(timeRequest);
    }
    TimeOutcome GrantTime(TimeRequest request, const std::string& adminPassword) override
    {
        calls.push_back("grant " + request.proof.Text() + " " + EncodeGrantChoice(request.choice) + " / " + adminPassword);
        return timeOutcome;
    }
    void TimeGranted(const GrantChoice& choice, const std::optional<DayGrant>&) override
    {
        calls.push_back("granted " + EncodeGrantChoice(choice));
    }
};

PromptAnswer Ok(const char* entry)
{
    return {PromptAnswer::Kind::Ok, WipedString(entry)};
}

class LockSessionTest : public ::testing::Test {
protected:
    LockSessionTest()
    {
        settings.PowerSaveDelay = 5;
        settings.PowerSaveMode = 0;
        session.Prepare();
        session.Activate();
        session.ArmInput();
    }

    void Ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            session.PowerSaveCountdown();
    }

    RecordingHost host;
    LockServiceSettings settings;
    MemoryFileSystem files;
    FakeClock clock;
    StatisticsLog log{files, clock, kLog, RegionalFormats{}, nullptr};
    CheapCrypto crypto;
    LockSession session{host, settings, log, crypto, clock};
};

TEST(IsEntryAccepted, PasswordRulesForPlainAndHashedPasswords)
{
    CheapCrypto crypto;
    const std::string userHash = HashPassword("user", crypto);
    const std::string adminHash = HashPassword("admin", crypto);
    for (const auto& [user, admin] : {std::pair<std::string, std::string>{"user", "admin"}, {userHash, adminHash}}) {
        const auto accepted = [&](std::string_view entry, std::string_view u, std::string_view a) {
            return IsEntryAccepted(entry, u, a, crypto);
        };
        EXPECT_TRUE(accepted("", "", ""));
        EXPECT_TRUE(accepted("anything", "", ""));
        EXPECT_TRUE(accepted("admin", "", admin));
        EXPECT_FALSE(accepted("", "", admin));
        EXPECT_TRUE(accepted("user", user, admin));
        EXPECT_TRUE(accepted("admin", user, admin));
        EXPECT_FALSE(accepted("User", user, admin));   // letter case counts
        EXPECT_FALSE(accepted("user ", user, admin));  // no trimming
        EXPECT_FALSE(accepted("", user, ""));
    }
}

TEST_F(LockSessionTest, PowerSaveOnTheSixthTickThenStaysUntilAWake)
{
    Ticks(5);
    EXPECT_TRUE(host.calls.empty());
    Ticks(1);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"monitor 0"}));
    EXPECT_FALSE(host.panelVisible);
    Ticks(10);
    EXPECT_EQ(session.IdleTicks(), 6u);
    EXPECT_EQ(host.calls.size(), 1u);

    session.FormMouseMove();  // the move the switch itself may cause
    EXPECT_EQ(host.calls.size(), 1u);
    session.FormMouseMove();
    EXPECT_EQ(host.calls.back(), "monitor -1");
    EXPECT_TRUE(host.panelVisible);
    EXPECT_EQ(session.IdleTicks(), 0u);
}

TEST_F(LockSessionTest, NoneModeAndWarningModeNeverCount)
{
    for (int mode : {-1, 3}) {
        settings.PowerSaveMode = mode;
        Ticks(50);
        EXPECT_EQ(session.IdleTicks(), 0u);
        EXPECT_TRUE(host.calls.empty());
    }
}

TEST_F(LockSessionTest, WakeBeforePowerSaveRestartsTheCountWithoutAMonitorCommand)
{
    Ticks(4);
    session.FormMouseDown(MouseButton::Right);
    EXPECT_EQ(session.IdleTicks(), 0u);
    EXPECT_TRUE(host.calls.empty());  // no prompt for the right button, no monitor command
    Ticks(5);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(LockSessionTest, PowerSaveCancelsAnOpenPromptFirst)
{
    settings.PowerSaveMode = 2;
    host.promptOpen = true;
    Ticks(6);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"cancel prompt", "monitor 2"}));
}

TEST_F(LockSessionTest, KeysAndLeftOrMiddleClicksOpenThePromptRightClicksDoNot)
{
    session.FormKeyDown();
    session.FormMouseDown(MouseButton::Left);
    session.FormMouseDown(MouseButton::Middle);
    session.FormMouseDown(MouseButton::Right);
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "prompt"), 3);
    EXPECT_EQ(session.Outcome(), SessionOutcome::Running);
}

TEST_F(LockSessionTest, NothingHappensBeforeInputIsArmed)
{
    LockSession idle{host, settings, log, crypto, clock};
    idle.FormKeyDown();
    idle.FormMouseDown(MouseButton::Left);
    idle.FormMouseMove();
    idle.ActiveControlChanged();
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(LockSessionTest, InputWhileThePromptIsOpenOnlyWakes)
{
    host.promptOpen = true;
    session.FormKeyDown();
    session.FormMouseDown(MouseButton::Left);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(LockSessionTest, RightPasswordUnlocksAndIsLogged)
{
    settings.UserPassword = "user";
    settings.StatisticsEnabled = true;
    host.answers.push_back(Ok("wrong"));
    host.answers.push_back(Ok("user"));
    session.FormKeyDown();
    EXPECT_EQ(session.Outcome(), SessionOutcome::Running);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"prompt", "check", "alarm"}));
    clock.Advance(3000);
    session.FormKeyDown();
    EXPECT_EQ(session.Outcome(), SessionOutcome::Unlocked);
    EXPECT_EQ(files.files[kLog], "08/12/2026 05:40:28 Access Denied\r\n08/12/2026 05:40:31 Access Permitted\r\n");
}

TEST_F(LockSessionTest, WrongEntriesInARowMakeTheNextWaitAndARightOneEndsThat)
{
    settings.UserPassword = "user";
    settings.StatisticsEnabled = true;
    const auto enter = [&](const char* entry) {
        host.calls.clear();
        host.answers.push_back(Ok(entry));
        session.FormKeyDown();
    };
    for (int i = 0; i < 5; ++i)
        enter("wrong");
    clock.SetWall({2027, 1, 1, 0, 0, 0, 0});  // the wall clock moves no wait
    EXPECT_EQ(session.EntryWaitMs(), 1000);
    enter("user");  // confirmed before the wait is over (a posted OK): not taken
    EXPECT_EQ(host.calls, (std::vector<std::string>{"prompt"}));
    clock.Advance(1000);
    enter("wrong");
    EXPECT_EQ(host.calls, (std::vector<std::string>{"prompt", "check", "alarm"}));
    clock.Advance(2000);
    enter("user");
    EXPECT_EQ(session.Outcome(), SessionOutcome::Unlocked);
    EXPECT_EQ(session.TakeFailedEntries(), 6u) << "the entry not taken is no attempt";
    for (int i = 0; i < 4; ++i)
        enter("wrong");
    EXPECT_EQ(session.EntryWaitMs(), 0) << "the count started again";
    const std::vector<std::string_view> lines = SplitPieces(files.files[kLog], "\r\n");
    ASSERT_EQ(lines.size(), 11u) << "every entry taken, and only those, logged";
    EXPECT_TRUE(lines[6].ends_with("Access Permitted"));
    settings.StatisticsEnabled = false;
    enter("wrong");
    EXPECT_EQ(session.TakeFailedEntries(), 5u) << "counted without the log too";
    EXPECT_EQ(session.TakeFailedEntries(), 0u);
}

TEST_F(LockSessionTest, DuringTheCheckThePromptCountsAsOpenAndAReloadChangesNothing)
{
    settings.UserPassword = HashPassword("user", crypto);
    host.duringCheck = [&] {
        session.FormKeyDown();
        session.FormMouseDown(MouseButton::Left);
        settings.UserPassword = "other";  // a reload while the check runs
    };
    host.answers.push_back(Ok("user"));
    host.answers.push_back(Ok("user"));
    session.FormKeyDown();
    EXPECT_EQ(host.calls, (std::vector<std::string>{"prompt", "check"}));
    EXPECT_EQ(session.Outcome(), SessionOutcome::Unlocked);
}

TEST_F(LockSessionTest, CancelLogsAndSoundsNothing)
{
    settings.UserPassword = "user";
    settings.StatisticsEnabled = true;
    host.answers.push_back({PromptAnswer::Kind::Cancel, WipedString("user")});
    session.FormKeyDown();
    EXPECT_EQ(session.Outcome(), SessionOutcome::Running);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"prompt"}));
    EXPECT_EQ(files.files.count(kLog), 0u);
}

TEST_F(LockSessionTest, OffRequestsTheShutdownAndDoesNotUnlock)
{
    host.answers.push_back({PromptAnswer::Kind::Off, WipedString()});
    session.FormMouseDown(MouseButton::Left);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"prompt", "shutdown"}));
    EXPECT_EQ(session.Outcome(), SessionOutcome::Running);
}

TEST_F(LockSessionTest, UnwritableLogIsReportedAndNeverChangesTheOutcome)
{
    settings.AdminPassword = "admin";
    settings.StatisticsEnabled = true;
    files.files[kLog] = "";
    files.unwritable[kLog] = 5;
    for (const auto& [entry, outcome] : {std::pair{"nope", SessionOutcome::Running}, {"admin", SessionOutcome::Unlocked}}) {
        host.calls.clear();
        host.answers.push_back(Ok(entry));
        session.FormKeyDown();
        EXPECT_EQ(session.Outcome(), outcome) << entry;
        // Handed to the reports, which hold it until the session is over.
        EXPECT_EQ(host.calls.back(), "error File access denied") << entry;
    }
}

TEST_F(LockSessionTest, ExpiryShowsTheWarningOnceWakesTheMonitorAndSoundsTheAlarmEveryTick)
{
    Ticks(6);  // the monitor is in power save
    host.calls.clear();
    session.LockScreenTick(true);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"monitor -1", "warning TIME RESTRICTION WARNING! (4 lines)",
                                                    "alarm again"}));
    EXPECT_EQ(settings.PowerSaveMode, 3);
    EXPECT_TRUE(host.panelVisible);
    for (int i = 0; i < 20; ++i)
        session.LockScreenTick(true);
    // From then on: the alarm on every tick, never the power save again.
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "alarm again"), 21);
    EXPECT_EQ(host.calls.size(), 23u);
}

TEST_F(LockSessionTest, AHeldLockWarnsOnceKeepsPowerSavingAndOpensOnlyToTheAdministrator)
{
    settings.End = EndAction::StayLocked;
    for (int i = 0; i < 3; ++i)
        session.LockScreenTick(true);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"warning TIME RESTRICTION WARNING! (4 lines)", "alarm"}));
    Ticks(6);
    EXPECT_EQ(host.calls.back(), "monitor 0");  // power saving goes on

    // The user's password, or none at all, does not open it; the administrator's does.
    struct Case {
        const char* user;
        const char* admin;
        const char* entry;
        bool unlocks;
    } cases[] = {{"user", "admin", "user", false}, {"", "", "", false}, {"user", "", "user", false},
                 {"user", "admin", "admin", true}};
    for (const Case& c : cases) {
        settings.UserPassword = c.user;
        settings.AdminPassword = c.admin;
        host.adminOnly = true;
        LockSession held(host, settings, log, crypto, clock);
        held.Activate();
        held.ArmInput();
        host.answers.push_back(Ok(c.entry));
        held.FormKeyDown();
        EXPECT_EQ(held.Outcome() == SessionOutcome::Unlocked, c.unlocks) << c.entry;
    }
}

TEST_F(LockSessionTest, WithoutExpiryTheTickIsTheCountdownOnly)
{
    for (int i = 0; i < 6; ++i)
        session.LockScreenTick(false);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"monitor 0"}));
}

TEST_F(LockSessionTest, MoreTimeGrantsWhatTheProofAllowsLogsItAndCountsAWrongOneAsAnEntry)
{
    settings.StatisticsEnabled = true;
    settings.AdminPassword = "stored";
    const auto askForTime = [this](std::optional<GrantProof> proof, std::int64_t waitMs = 0, std::string problem = {}) {
        host.calls.clear();
        host.answers.push_back({PromptAnswer::Kind::MoreTime, {}});
        host.timeRequest = TimeRequest{WipedString("Sesame"), GrantChoice::Of(15)};
        host.timeOutcome = {proof, waitMs, std::nullopt, std::move(problem)};
        return session.AskUnlock();
    };
    // Not offered (no restriction holds): a posted command of the button opens nothing.
    EXPECT_FALSE(askForTime(GrantProof::Password));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"prompt"}));
    host.offersTime = true;
    EXPECT_FALSE(askForTime(std::nullopt));
    EXPECT_EQ(host.calls,
              (std::vector<std::string>{"prompt", "time prompt", "check", "grant Sesame min 15 / stored", "alarm"}));
    // The keeper's wait, or its silence: nothing checked, nothing counted or logged; the silence
    // is reported.
    EXPECT_FALSE(askForTime(std::nullopt, 4000));
    EXPECT_FALSE(askForTime(std::nullopt, 0, "no answer"));
    EXPECT_EQ(host.calls.back(), "error no answer");
    EXPECT_TRUE(askForTime(GrantProof::Code));
    EXPECT_EQ(host.calls.back(), "granted min 15");
    EXPECT_EQ(session.TakeFailedEntries(), 1u);
    // Cancelled: nothing asked of the keeper.
    host.calls.clear();
    host.answers.push_back({PromptAnswer::Kind::MoreTime, {}});
    host.timeRequest.reset();
    EXPECT_FALSE(session.AskUnlock());
    EXPECT_EQ(host.calls, (std::vector<std::string>{"prompt", "time prompt"}));
    EXPECT_EQ(files.files[kLog], "08/12/2026 05:40:28 Access Denied\r\n08/12/2026 05:40:28 Time Granted 15 min (code)\r\n");
}

TEST(WarningLines, InEnglishTheyStayWordForWordForEachEnd)
{
    const std::vector<std::string> opening{"TIME RESTRICTION WARNING!", "Your work time period has expired."};
    const auto with = [&](const char* third, const char* fourth) {
        std::vector<std::string> lines = opening;
        lines.insert(lines.end(), {third, fourth});
        return lines;
    };
    EXPECT_EQ(WarningLinesFor(EndAction::ShutDown),
              with("You have about 5 minutes to complete a work", "before turning off the system."));
    EXPECT_EQ(WarningLinesFor(EndAction::LogOff),
              with("You have about 5 minutes to complete a work", "before you are logged off."));
    EXPECT_EQ(WarningLinesFor(EndAction::StayLocked), with("This computer stays locked", "until your next allowed time."));
}

TEST_F(LockSessionTest, StatisticsOffTouchesNoFile)
{
    for (int i = 0; i < 20; ++i)
        host.answers.push_back(Ok(i % 2 ? "x" : ""));
    for (int i = 0; i < 20; ++i)
        session.FormKeyDown();
    EXPECT_EQ(files.calls, 0);
    EXPECT_EQ(session.Outcome(), SessionOutcome::Unlocked);  // no password anywhere: anything unlocks
}

}  // namespace
}  // namespace vardex
