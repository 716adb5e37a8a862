// The guardian's pipe messages and its rules: restarts, the grace period it enforces, and what
// it writes for which program.
#include "guard/Guardian.h"
#include "service/StartOptions.h"

#include "FakeSystem.h"
#include "MemoryRegistry.h"
#include "config/Settings.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

using test::FakeClock;
using test::MemoryFileSystem;
using test::MemoryRegistry;

TEST(GuardProtocol, EveryRequestRoundTripsAndAnythingElseIsDropped)
{
    for (const GuardRequest& request :
         {GuardRequest{}, GuardRequest::DayUse(46364, 3603), GuardRequest::LogLine("09/12/2026 06:40:28 Access Denied \xE9"),
          GuardRequest::State(LockState::Expired, 300000), GuardRequest::State(LockState::Unlocked),
          GuardRequest::State(LockState::Locked), GuardRequest::State(LockState::Exited),
          GuardRequest::State(LockState::SessionEnding)})
        EXPECT_EQ(ParseGuardRequest(EncodeGuardRequest(request)), request) << EncodeGuardRequest(request);
    const std::string longLine = "log " + std::string(kMaxGuardLogLineBytes + 1, 'x');
    for (const std::string& bad : std::vector<std::string>
         {"", "ping ", "PING", "day-use 46364", "day-use 46364 -1", "day-use 46364 3603 1", "day-use +4 1",
          "day-use 046364 1", "day-use 99999999999 1", "day-use 1 4294967296", "log ", "log a\r\nb", "log a\tb",
          std::string("log a\0b", 7), longLine, "state", "state asleep", "state locked 1", "state expired",
          "state expired x", "hello world"})
        EXPECT_FALSE(ParseGuardRequest(bad)) << bad;
    EXPECT_FALSE(ParseGuardRequest("ping" + std::string(kMaxGuardMessageBytes, ' ')));
}

class RecordingHost final : public GuardianHost {
public:
    std::vector<std::pair<std::uint32_t, std::string>> starts;
    std::vector<std::uint32_t> endedSessions;
    std::vector<std::string> log;
    bool refuseStart = false;
    std::uint32_t nextProcess = 100;

    std::optional<std::uint32_t> StartLockService(std::uint32_t sessionId, const std::string& arguments) override
    {
        starts.emplace_back(sessionId, arguments);
        if (refuseStart)
            return std::nullopt;
        return nextProcess++;
    }
    void EndSession(std::uint32_t sessionId) override { endedSessions.push_back(sessionId); }
    void Log(GuardLogKind, const std::string& text) override { log.push_back(text); }
};

class GuardianTest : public ::testing::Test {
protected:
    RecordingHost host;
    MemoryRegistry registry;
    MemoryFileSystem files;
    FakeClock clock;
    Guardian guardian{host, registry, files, clock, [](const std::string& name) { return name == "anna" ? "Anna" : ".Default"; },
                      "C:\\Program Files\\PC Vardex\\"};
    const std::int32_t today = DayNumber(2026, 12, 8);
    const GuardClient service{1, 100, "anna"};
    const GuardClient other{1, 555, "anna"};

    std::string_view Say(const GuardClient& client, const GuardRequest& request)
    {
        return guardian.Handle(client, EncodeGuardRequest(request));
    }
    std::string_view SayState(const GuardClient& client, LockState state, std::uint32_t graceMs = 0)
    {
        return Say(client, GuardRequest::State(state, graceMs));
    }
    std::optional<RegValue> Stored(const char* code) { return registry.Get(RootKey::LocalMachine, kSettingsKeyPath, std::string("Anna") + code); }
};

TEST_F(GuardianTest, AnEndedServiceIsStartedAgainGoingOnWithItsLockOrExpiry)
{
    guardian.SessionsPresent({{1, "anna"}});
    guardian.SessionLoggedOn(1, "anna");  // already running: not started twice
    ASSERT_EQ(host.starts.size(), 1u);
    EXPECT_EQ(SayState(service, LockState::Unlocked), kGuardAccepted);
    guardian.LockServiceEnded(1);  // ended while unlocked
    EXPECT_EQ(host.starts.back(), (std::pair<std::uint32_t, std::string>{1, ""}));

    EXPECT_EQ(SayState({1, 101, "anna"}, LockState::Locked), kGuardAccepted);
    guardian.LockServiceEnded(1);
    EXPECT_EQ(host.starts.back().second, "/lock");
    EXPECT_EQ(SayState({1, 102, "anna"}, LockState::Locked), kGuardAccepted);

    EXPECT_EQ(SayState({1, 102, "anna"}, LockState::Expired, 300000), kGuardAccepted);
    clock.Advance(120000);
    guardian.LockServiceEnded(1);
    EXPECT_EQ(host.starts.back().second, "/lock /grace 180000");
    // The new one reports its expiry again: the deadline stays the first one.
    EXPECT_EQ(SayState({1, 103, "anna"}, LockState::Expired, 300000), kGuardAccepted);
    // The lock service shuts down itself at the end of its grace; the session is ended when
    // that has not happened ten seconds later.
    EXPECT_EQ(guardian.Tick(), 190000);
    clock.Advance(189999);
    guardian.Tick();
    EXPECT_TRUE(host.endedSessions.empty());
    clock.Advance(1);
    guardian.Tick();
    EXPECT_EQ(host.endedSessions, std::vector<std::uint32_t>{1});
    guardian.LockServiceEnded(1);  // ends with the session: not started again
    EXPECT_EQ(host.starts.size(), 4u);
}

TEST_F(GuardianTest, NothingIsStartedAgainAfterTheEndOfTheSessionOrAnExitFromTheConfiguration)
{
    guardian.SessionLoggedOn(1, "anna");
    guardian.SessionEnding(1);
    guardian.LockServiceEnded(1);
    guardian.SessionLoggedOn(2, "bob");
    EXPECT_EQ(SayState({2, 101, "bob"}, LockState::SessionEnding), kGuardAccepted);
    guardian.LockServiceEnded(2);
    guardian.SessionLoggedOn(3, "carl");
    EXPECT_EQ(SayState({3, 102, "carl"}, LockState::Exited), kGuardAccepted);
    guardian.LockServiceEnded(3);
    // Still listed while they end: nothing is started by looking again.
    guardian.SessionsPresent({{1, "anna"}, {2, "bob"}, {3, "carl"}});
    EXPECT_EQ(host.starts.size(), 3u);
    EXPECT_TRUE(guardian.Watched().empty());
    guardian.SessionLoggedOn(3, "carl");  // the next logon starts it again
    guardian.SessionsPresent({{3, "carl"}});
    guardian.SessionsPresent({{1, "anna"}, {3, "carl"}});  // a session found later
    EXPECT_EQ(host.starts.size(), 5u);
}

TEST_F(GuardianTest, AFailedStartIsTriedAgainEverySecondOneThatDidNotTakeEveryTenSeconds)
{
    host.refuseStart = true;
    guardian.SessionLoggedOn(1, "anna");
    EXPECT_EQ(guardian.Tick(), 1000);
    clock.Advance(1000);
    EXPECT_EQ(guardian.Tick(), 1000);  // refused again
    host.refuseStart = false;
    clock.Advance(1000);
    EXPECT_EQ(guardian.Tick(), std::nullopt);
    EXPECT_EQ(host.starts.size(), 3u);
    EXPECT_EQ(guardian.Watched(), (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{1, 100}}));
    EXPECT_EQ(host.log.size(), 2u) << "one error, one start";
    // It ended without telling its state: another lock service runs in the session.
    for (int round = 0; round < 3; ++round) {
        guardian.LockServiceEnded(1);
        EXPECT_EQ(guardian.Tick(), 10000);
        clock.Advance(10000);
        guardian.Tick();
    }
    EXPECT_EQ(host.starts.size(), 6u);
    EXPECT_EQ(host.log.size(), 3u) << "said once, not every ten seconds";
}

TEST_F(GuardianTest, OnlyTheServiceStartedHereChangesTheStateAndNoOtherProgramCancelsAnExpiry)
{
    guardian.SessionLoggedOn(1, "anna");
    EXPECT_EQ(SayState(service, LockState::Expired, 1000), kGuardAccepted);
    guardian.SessionsPresent({});  // a list read in a session switch: the expiry is not forgotten
    EXPECT_EQ(SayState(other, LockState::Unlocked), kGuardRefused);
    EXPECT_EQ(SayState(other, LockState::Exited), kGuardRefused);
    EXPECT_EQ(SayState({2, 100, "anna"}, LockState::Unlocked), kGuardRefused);  // same number, other session
    clock.Advance(11000);
    guardian.Tick();
    EXPECT_EQ(host.endedSessions, std::vector<std::uint32_t>{1});
}

TEST_F(GuardianTest, TheDaysUseIsStoredForTheAskingUserOnlyForTodayAndNeverLower)
{
    struct Case {
        std::int32_t day;
        std::uint32_t used;
        bool accepted;
        std::int32_t storedUse;
    };
    const Case cases[] = {
        {today, 600, true, 600},          // first of the day
        {today, 603, true, 603},          // counting on
        {today, 0, false, 603},           // a reset from any program is refused
        {today + 1, 0, false, 603},       // a new day early
        {today - 1, 9000, false, 603},    // yesterday
        {today, 4294967295u, true, INT32_MAX},  // more than a day can hold is still not less
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Say(other, GuardRequest::DayUse(c.day, c.used)) == kGuardAccepted, c.accepted) << c.day << " " << c.used;
        EXPECT_EQ(Stored(SettingNames::CounterDay), RegValue::Integer(today));
        EXPECT_EQ(Stored(SettingNames::UsedSeconds), RegValue::Integer(c.storedUse));
    }
    // Yesterday's count gives way to today's, whatever its size.
    registry.Set(RootKey::LocalMachine, kSettingsKeyPath, ".DefaultPDDC", RegValue::Integer(today - 1));
    registry.Set(RootKey::LocalMachine, kSettingsKeyPath, ".DefaultPDTC", RegValue::Integer(80000));
    EXPECT_EQ(Say({1, 7, "bob"}, GuardRequest::DayUse(today, 3)), kGuardAccepted);
    EXPECT_EQ(registry.Get(RootKey::LocalMachine, kSettingsKeyPath, ".DefaultPDTC"), RegValue::Integer(3));
    EXPECT_EQ(host.log.size(), 3u) << "each refusal is logged";
}

TEST_F(GuardianTest, ADayUseThatCannotBeWrittenIsRefused)
{
    registry.FailWritesOf("AnnaPDTC");
    EXPECT_EQ(Say(service, GuardRequest::DayUse(today, 3)), kGuardRefused);
    EXPECT_EQ(host.log.size(), 1u);
}

TEST_F(GuardianTest, LogLinesGoToTheAskingUsersOwnLog)
{
    const GuardRequest line = GuardRequest::LogLine("08/12/2026 05:40:28 Access Permitted");
    EXPECT_EQ(Say(other, line), kGuardAccepted);
    EXPECT_EQ(Say(other, line), kGuardAccepted);
    EXPECT_EQ(files.files["C:\\Program Files\\PC Vardex\\Anna.log"], line.line + "\r\n" + line.line + "\r\n");
    files.unwritable["C:\\Program Files\\PC Vardex\\.Default.log"] = 5;
    EXPECT_EQ(Say({1, 7, "bob"}, line), kGuardRefused);
    EXPECT_EQ(guardian.Handle(other, "log a\nb"), kGuardRefused);
    EXPECT_EQ(host.log.size(), 2u);
}

TEST(StartOptions, WhatTheGuardianAndTheLogonEntryAskIsUnderstood)
{
    struct Case {
        std::vector<std::string> arguments;
        bool lock;
        std::optional<std::uint32_t> grace;
        bool atLogon;
    };
    const Case cases[] = {
        {{}, false, std::nullopt, false},
        {{"/lock"}, true, std::nullopt, false},
        {{"/LOCK", "/grace", "180000"}, true, 180000, false},
        {{"/logon"}, false, std::nullopt, true},
        {{"/grace"}, false, std::nullopt, false},
        {{"/grace", "-5", "/lock"}, true, std::nullopt, false},
        {{"/grace", "99999999999"}, false, std::nullopt, false},
        {{"/grace", "12x"}, false, std::nullopt, false},
    };
    for (const Case& c : cases) {
        const StartOptions options = ParseStartOptions(c.arguments);
        EXPECT_EQ(options.lock, c.lock);
        EXPECT_EQ(options.graceLeftMs, c.grace);
        EXPECT_EQ(options.atLogon, c.atLogon);
    }
}

}  // namespace
}  // namespace vardex
