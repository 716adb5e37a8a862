// The guardian's messages and its rules: every way a lock service can end and what comes after,
// silence and sessions without a lock service, the day it owns, its store across its own
// restart, and what it takes from which program.
#include "guard/GuardStore.h"
#include "guard/Guardian.h"
#include "service/StartOptions.h"

#include "FakeSystem.h"
#include "CheapCrypto.h"
#include "MemoryRegistry.h"
#include "MemorySecrets.h"
#include "common/OneTimeCode.h"
#include "config/Settings.h"
#include "config/UsageHistory.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

using test::FakeClock;
using test::MemoryFileSystem;
using test::MemoryRegistry;

const std::string kAnnaSid = "S-1-5-21-1-2-3-1001";
const std::string kBobSid = "S-1-5-21-1-2-3-1002";
const std::string kCarlSid = "S-1-5-21-1-2-3-1003";

TEST(GuardProtocol, EveryMessageRoundTripsAndAnythingElseIsDropped)
{
    for (const GuardRequest& request :
         {GuardRequest::Of(GuardRequestKind::Ping), GuardRequest::Of(GuardRequestKind::Who),
          GuardRequest::Of(GuardRequestKind::Channel), GuardRequest::Of(GuardRequestKind::Hello),
          GuardRequest::Beat(LockState::Expired, 300000, false), GuardRequest::Beat(LockState::Unlocked, 0, true),
          GuardRequest::Beat(LockState::Exited, 0, false), GuardRequest::Beat(LockState::SessionEnding, 0, false),
          GuardRequest::LogLine("09/12/2026 06:40:28 Access Denied \xE9")})
        EXPECT_EQ(ParseGuardRequest(EncodeGuardRequest(request)), request) << EncodeGuardRequest(request);
    const std::string longLine = "log " + std::string(kMaxGuardLogLineBytes + 1, 'x');
    for (const std::string& bad : std::vector<std::string>{
             "", "ping ", "PING", "who x", "day-use 46364 3", "state locked", "log ", "log a\r\nb", "log a\tb",
             std::string("log a\0b", 7), longLine, "beat", "beat locked 0", "beat asleep 0 0", "beat locked 5 0",
             "beat expired -1 0", "beat expired 01 0", "beat expired 4294967296 0", "beat locked 0 2",
             "beat locked  0 0", "beat locked 0 0 ", "hello world"})
        EXPECT_FALSE(ParseGuardRequest(bad)) << bad;
    EXPECT_FALSE(ParseGuardRequest("ping" + std::string(kMaxGuardMessageBytes, ' ')));
}

TEST(GuardProtocol, AnswersAndZonesRoundTripAndMalformedOnesReadAsNothing)
{
    TimeZoneRules zone{-60, 0, -60, {0, 10, 0, 5, 0, 3, 0, 0, 0}, {0, 3, 0, 5, 0, 2, 0, 0, 0}};
    EXPECT_EQ(ParseZone(EncodeZone(zone))->daylightDate.month, 3);
    const GuardHello hello{{46364, 3603}, zone};
    const auto parsed = ParseHelloAnswer(EncodeHelloAnswer(hello));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->day, hello.day);
    EXPECT_EQ(EncodeZone(parsed->zone), EncodeZone(zone));
    EXPECT_EQ(ParseBeatAnswer(EncodeBeatAnswer({46364, 12, 46363, 900})), (GuardDay{46364, 12, 46363, 900}));
    EXPECT_EQ(ParseWhoAnswer(EncodeWhoAnswer(4242)), 4242u);
    EXPECT_EQ(ParseChannelAnswer(EncodeChannelAnswer(0x1a4)), 0x1a4u);
    for (const std::string& bad : {"ok", "ok 1", "ok -1 3", "ok 1 2 3", "refused", "none", "service 0", "service x",
                                   "channel 0", "hello 1 2", "ok 1 4294967296", "ok 1 2", "ok 1 2 3 -4"}) {
        EXPECT_FALSE(ParseBeatAnswer(bad)) << bad;
        EXPECT_FALSE(ParseWhoAnswer(bad)) << bad;
        EXPECT_FALSE(ParseChannelAnswer(bad)) << bad;
        EXPECT_FALSE(ParseHelloAnswer(bad)) << bad;
    }
    for (const std::string& bad : {std::string(), std::string("1441 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0"),
                                   EncodeZone(zone) + " 0", std::string("0 0 0 0 13 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0")})
        EXPECT_FALSE(ParseZone(bad)) << bad;
}

TEST(GuardStore, SessionsRoundTripAndAMalformedStoreReadsAsNone)
{
    const StoredSessions sessions{-42, {{1, kAnnaSid, LockState::Locked, 0, LockServiceProcess{100, 777}},
                                        {2, kBobSid, LockState::Expired, 1234567, std::nullopt}}};
    EXPECT_EQ(ParseStoredSessions(EncodeStoredSessions(sessions)), sessions);
    EXPECT_EQ(ParseStoredSessions("7"), (StoredSessions{7, {}}));
    for (const std::string& bad : {"", "x", "7;1 S-1 locked 0 100", "7;1 x locked 0 100 7", "7;1 S-1 asleep 0 0 0",
                                   "7;1 S-1 locked 0 0 0;", "7;-1 S-1 locked 0 0 0", "1 S-1 locked 0 0 0"})
        EXPECT_FALSE(ParseStoredSessions(bad)) << bad;

    // A user's use as stored before the week was counted reads with no week yet.
    test::MemoryRegistry registry;
    GuardStore store(registry);
    registry.Set(RootKey::LocalMachine, kGuardStoreKeyPath, "Use " + kAnnaSid, RegValue::String("46364 600"));
    EXPECT_EQ(store.Use(kAnnaSid), (GuardDay{46364, 600, 0, 0}));
    store.SetUse(kAnnaSid, {46364, 603, 46363, 7203});
    EXPECT_EQ(store.Use(kAnnaSid), (GuardDay{46364, 603, 46363, 7203}));
}

class RecordingHost final : public GuardianHost {
public:
    std::vector<std::pair<std::uint32_t, std::string>> starts;
    std::vector<std::uint32_t> ended, endedSessions, lockedSessions;
    std::vector<std::string> log;
    bool refuseStart = false;
    bool adopt = true;
    std::uint32_t nextProcess = 100;

    std::optional<LockServiceProcess> StartLockService(std::uint32_t sessionId, const std::string& arguments) override
    {
        starts.emplace_back(sessionId, arguments);
        if (refuseStart)
            return std::nullopt;
        return LockServiceProcess{nextProcess++, 5000};
    }
    bool AdoptLockService(std::uint32_t, const LockServiceProcess&) override { return adopt; }
    void EndLockService(std::uint32_t processId) override { ended.push_back(processId); }
    std::optional<std::uint64_t> OpenChannel(std::uint32_t, std::uint32_t processId) override { return processId + 1000; }
    void EndSession(std::uint32_t sessionId) override { endedSessions.push_back(sessionId); }
    void LockSession(std::uint32_t sessionId) override { lockedSessions.push_back(sessionId); }
    void Log(GuardLogKind, const std::string& text) override { log.push_back(text); }
};

class GuardianTest : public ::testing::Test {
protected:
    RecordingHost host;
    MemoryRegistry registry;
    MemoryFileSystem files;
    FakeClock clock;
    std::vector<std::string> appended;
    std::unique_ptr<Guardian> guardian = Make();
    const std::int32_t today = DayNumber(2026, 12, 8);

    std::unique_ptr<Guardian> Make()
    {
        return std::make_unique<Guardian>(
            host, registry, files, clock, [](const std::string& name) { return name == "anna" ? "Anna" : ".Default"; },
            "C:\\Program Files\\PC Vardex\\", [](std::string_view line) { return line.ends_with("Access Denied"); },
            [this](FileSystem&, const std::string& path, const std::string& bytes) { appended.push_back(path + "|" + bytes); });
    }
    static SessionUser Anna(std::uint32_t session = 1) { return {session, "anna", kAnnaSid}; }
    static GuardClient Client(std::uint32_t process, std::uint32_t session = 1, const std::string& sid = kAnnaSid)
    {
        return {session, process, sid, "anna"};
    }
    // The started lock service takes its channel and greets the guardian on it, as it does at
    // its start; the public pipe's answer.
    std::string Channel(std::uint32_t process, std::uint32_t session = 1)
    {
        const std::string answer = guardian->Handle(Client(process, session), "channel");
        guardian->HandleChannel(session, process, "hello");
        return answer;
    }
    std::string Beat(std::uint32_t process, LockState state, std::uint32_t graceMs = 0, bool counting = false,
                     std::uint32_t session = 1)
    {
        return guardian->HandleChannel(session, process, EncodeGuardRequest(GuardRequest::Beat(state, graceMs, counting)));
    }
    // Time passes and the guardian's loop runs every second, as it does.
    void Pass(std::int64_t ms)
    {
        for (std::int64_t passed = 0; passed < ms; passed += 1000) {
            clock.Advance(1000);
            guardian->Tick();
        }
    }
    // Time passes with a heartbeat every three seconds.
    void Run(std::uint32_t process, std::int64_t ms, LockState state = LockState::Unlocked, bool counting = false)
    {
        for (std::int64_t passed = 0; passed < ms; passed += 3000) {
            clock.Advance(3000);
            Beat(process, state, 0, counting);
            guardian->Tick();
        }
    }
};

TEST_F(GuardianTest, EveryUnplannedEndComesBackLockedAndOnlyExitAndTheSessionsEndAreFinal)
{
    struct Case {
        const char* how;
        LockState state;  // what the lock service said last
        bool logoff;      // the system told us of the session's end first
        std::optional<std::string> restart;
    };
    const Case cases[] = {
        {"killed while unlocked", LockState::Unlocked, false, "/lock"},
        {"killed while locked", LockState::Locked, false, "/lock"},
        {"killed in the grace, two minutes in", LockState::Expired, false, "/lock /grace 180000"},
        {"the configuration's Exit", LockState::Exited, false, std::nullopt},
        {"the end of the Windows session it saw", LockState::SessionEnding, false, std::nullopt},
        {"ended with the logoff", LockState::Unlocked, true, std::nullopt},
    };
    for (const Case& c : cases) {
        host = RecordingHost{};
        guardian = Make();
        guardian->SessionsPresent({Anna()});
        ASSERT_EQ(host.starts, (std::vector<std::pair<std::uint32_t, std::string>>{{1, ""}})) << c.how;
        ASSERT_EQ(Channel(100), "channel 1100");
        Beat(100, c.state, 300000);
        clock.Advance(120000);
        if (c.logoff)
            guardian->SessionEnding(1);
        guardian->LockServiceEnded(1, 100);
        if (c.restart) {
            ASSERT_EQ(host.starts.size(), 2u) << c.how;
            EXPECT_EQ(host.starts.back().second, *c.restart) << c.how;
        } else {
            EXPECT_EQ(host.starts.size(), 1u) << c.how;
            EXPECT_TRUE(guardian->Watched().empty()) << c.how;
        }
    }
}

TEST_F(GuardianTest, ASilentOrChannellessLockServiceIsReplacedAndTheSystemsSleepIsNoSilence)
{
    guardian->SessionsPresent({Anna()});
    Channel(100);
    Run(100, 30000, LockState::Locked);
    EXPECT_TRUE(host.ended.empty());
    Pass(kSilenceLimitMs);  // the UI thread was frozen
    EXPECT_TRUE(host.ended.empty());
    Pass(1000);
    EXPECT_EQ(host.ended, std::vector<std::uint32_t>{100});
    guardian->LockServiceEnded(1, 100);
    EXPECT_EQ(host.starts.back().second, "/lock");
    // The new one never asks for its channel.
    Pass(kChannelWaitMs + 1000);
    EXPECT_EQ(host.ended.back(), 101u);
    guardian->LockServiceEnded(1, 101);
    Channel(102);
    // The guardian's own loop did not run for a minute: the system slept.
    clock.Advance(60000);
    guardian->Tick();
    EXPECT_EQ(host.ended.size(), 2u);
    // A channel for anyone but the started process is refused.
    EXPECT_EQ(guardian->Handle(Client(555), "channel"), kGuardRefused);
    EXPECT_EQ(guardian->Handle(Client(102, 1, kBobSid), "channel"), kGuardRefused);
    EXPECT_EQ(guardian->Handle(Client(555), "who"), "service 102");
    EXPECT_EQ(guardian->Handle(Client(555, 2), "who"), kGuardNoService);
    // Nothing said on the public pipe changes a state, nor does a stale channel.
    EXPECT_EQ(guardian->Handle(Client(102), EncodeGuardRequest(GuardRequest::Beat(LockState::Exited, 0, false))),
              kGuardRefused);
    EXPECT_EQ(Beat(101, LockState::Exited), kGuardRefused);
    guardian->LockServiceEnded(1, 102);
    EXPECT_EQ(host.starts.back().second, "/lock");
}

TEST_F(GuardianTest, ASessionLeftWithoutALockServiceIsLockedOrEndedByTheSystem)
{
    guardian->SessionsPresent({Anna(), {2, "bob", kBobSid}});
    Channel(100);
    Channel(101, 2);
    Beat(101, LockState::Expired, 300000, false, 2);
    host.refuseStart = true;  // every start fails from now on
    guardian->LockServiceEnded(1, 100);
    guardian->LockServiceEnded(2, 101);
    Pass(kUnguardedLimitMs - 1000);
    EXPECT_TRUE(host.lockedSessions.empty());
    Pass(1000);
    EXPECT_EQ(host.lockedSessions, std::vector<std::uint32_t>{1});
    EXPECT_EQ(host.endedSessions, std::vector<std::uint32_t>{2});
    EXPECT_GT(host.starts.size(), 10u) << "tried again every second";
    Pass(60000);
    EXPECT_EQ(host.lockedSessions.size(), 1u) << "once for each time it is left so";
    // A logon whose lock service never comes: locked too, after a logon's longer while.
    guardian->SessionsPresent({Anna(), {2, "bob", kBobSid}, {3, "carl", kCarlSid}});
    Pass(kUnguardedAtLogonLimitMs - 1000);
    EXPECT_EQ(host.lockedSessions.size(), 1u);
    Pass(1000);
    EXPECT_EQ(host.lockedSessions, (std::vector<std::uint32_t>{1, 3}));
}

TEST_F(GuardianTest, TheGraceIsEnforcedEvenWhenTheLockServiceGoesAndOnlyItsOwnDeadlineCounts)
{
    guardian->SessionsPresent({Anna()});
    Channel(100);
    Beat(100, LockState::Expired, 300000);
    clock.Advance(120000);
    guardian->LockServiceEnded(1, 100);
    Channel(101);
    Beat(101, LockState::Expired, 300000);  // says its full grace again: the first deadline stays
    for (std::int64_t passed = 0; passed < 190000 - 3000; passed += 3000) {
        clock.Advance(3000);
        Beat(101, LockState::Expired, 300000);
        guardian->Tick();
    }
    EXPECT_TRUE(host.endedSessions.empty());
    clock.Advance(3000);
    guardian->Tick();
    EXPECT_EQ(host.endedSessions, std::vector<std::uint32_t>{1});
}

TEST_F(GuardianTest, TheDayIsCountedByTheGuardianPerUserAndJudgedInItsOwnZone)
{
    guardian->SessionsPresent({Anna(), {2, "bob", kBobSid}, {3, "carl", kCarlSid}});
    Channel(100);
    Channel(101, 2);
    const auto hello = ParseHelloAnswer(guardian->HandleChannel(1, 100, "hello"));
    ASSERT_TRUE(hello);
    const std::int32_t week = today - 1;  // from Monday
    EXPECT_EQ(hello->day, (GuardDay{today, 0, week, 0}));
    Run(100, 60000, LockState::Unlocked, true);
    EXPECT_EQ(guardian->UseOf(kAnnaSid), (GuardDay{today, 60, week, 60}));
    EXPECT_EQ(guardian->UseOf(kBobSid).usedSeconds, 0u) << "Bob and Carl are not listed: they still count apart";
    EXPECT_EQ(registry.Get(RootKey::LocalMachine, kSettingsKeyPath, "AnnaPDTC"), RegValue::Integer(60));
    EXPECT_EQ(registry.Get(RootKey::LocalMachine, kSettingsKeyPath, "AnnaPWWS"), RegValue::Integer(60));
    EXPECT_EQ(registry.Get(RootKey::LocalMachine, kSettingsKeyPath, ".DefaultPDTC"), std::nullopt);
    // Not counting (restricted by duration off, or expired) counts nothing, and a long gap in
    // the beats no more than two beats' worth.
    Run(100, 30000, LockState::Unlocked, false);
    clock.Advance(600000);
    EXPECT_EQ(ParseBeatAnswer(Beat(100, LockState::Unlocked, 0, true)), (GuardDay{today, 66, week, 66}));

    // The user switches the time zone far east: the guardian's day does not move; nor when the
    // guardian starts again, since the zone of its first start is kept.
    clock.SetWall({2026, 12, 8, 20, 0, 0, 0});
    clock.zone.bias = -14 * 60;
    guardian = Make();
    guardian->SessionsPresent({Anna()});
    EXPECT_EQ(guardian->UseOf(kAnnaSid), (GuardDay{today, 66, week, 66}));
    // The day ends at midnight in the guardian's zone: a new day, a new count.
    clock.Advance(4 * 3600000 - 1000);
    EXPECT_EQ(guardian->UseOf(kAnnaSid), (GuardDay{today, 66, week, 66}));
    clock.Advance(1000);
    EXPECT_EQ(guardian->UseOf(kAnnaSid), (GuardDay{today + 1, 0, week, 66})) << "a new day, the same week";
    clock.Advance(5 * 86400000LL);
    EXPECT_EQ(guardian->UseOf(kAnnaSid), (GuardDay{today + 6, 0, week + 7, 0})) << "Monday: a new week";
    guardian->UseFirstWeekday(6);
    EXPECT_EQ(guardian->UseOf(kAnnaSid).week, today + 5) << "where weeks start on Sunday";
}

TEST_F(GuardianTest, AListedUsersFinishedDayGoesToTheUsageHistoryOnceWithItsAllowanceAndExpiry)
{
    const auto set = [this](const char* name, std::int32_t value) {
        registry.Set(RootKey::LocalMachine, kSettingsKeyPath, name, RegValue::Integer(value));
    };
    set("AnnaPWTD", 1);
    set("AnnaPWTH", 2);
    guardian->SessionsPresent({Anna(), {2, "bob", kBobSid}});
    Channel(100);
    Channel(101, 2);
    Run(100, 150000, LockState::Unlocked, true);
    Beat(100, LockState::Expired, 300000);
    Beat(101, LockState::Unlocked, 0, true, 2);
    clock.Advance(19 * 3600000LL);  // past midnight
    Beat(101, LockState::Unlocked, 0, true, 2);
    Run(100, 60000, LockState::Unlocked, true);
    Beat(100, LockState::Expired, 300000);
    // The guardian starts again on the second day; the day's expiry is kept, and the first day's
    // line is not written again. The hours are no longer restricted when the day ends.
    guardian = Make();
    guardian->Restore();
    guardian->SessionsPresent({Anna(), {2, "bob", kBobSid}});
    Channel(100);
    set("AnnaPWTD", 0);
    clock.Advance(86400000LL);
    Run(100, 3000, LockState::Unlocked, true);
    EXPECT_EQ(files.files["C:\\Program Files\\PC Vardex\\Anna.usage.csv"],
              std::string(kUsageHistoryHeader) + "\r\n2026-12-08,2,120,0,1\r\n2026-12-09,1,,0,1\r\n");
    EXPECT_EQ(files.files.count("C:\\Program Files\\PC Vardex\\.Default.usage.csv"), 0u) << "the default user has none";
}

TEST_F(GuardianTest, TimeGrantedAtTheLockIsKeptForTheUsersDayAndWrittenToTheUsageHistory)
{
    test::CheapCrypto crypto;
    test::MemorySecrets secrets;
    CodeSecret codes(secrets, crypto, clock);
    std::vector<std::string> gateLog;
    AdminGate gate(registry, files, crypto, clock, [] { return std::vector<std::string>{"Anna"}; }, "",
                   [&gateLog](GuardLogKind, const std::string& text) { gateLog.push_back(text); }, [](const std::string&) {});
    gate.UseCodes(codes);
    registry.Set(RootKey::LocalMachine, kSettingsKeyPath, SettingNames::AdminPassword,
                 RegValue::String(HashPassword("Sesame 1", crypto)));
    guardian->UseAdminGate(gate);
    guardian->SessionsPresent({Anna()});
    Channel(100);
    const auto grant = [this](const GrantChoice& choice, const std::string& proof) {
        return guardian->HandleChannel(1, 100, EncodeGuardRequest(GuardRequest::Grant(choice, proof)));
    };
    // Only the lock service asks, on its channel, and only the proof counts.
    EXPECT_EQ(guardian->Handle(Client(100), EncodeGuardRequest(GuardRequest::Grant(GrantChoice::Of(15), "Sesame 1"))),
              kGuardRefused);
    EXPECT_EQ(grant(GrantChoice::Of(15), "sesame 1"), kGuardWrongPassword);
    EXPECT_EQ(grant(GrantChoice::Until(3600), "Sesame 1"), kGuardRefused) << "05:40: 01:00 is past";
    // 05:40:28 + 15 minutes, by password; then an hour by a code from the phone.
    std::optional<GrantAnswer> answer = ParseGrantAnswer(grant(GrantChoice::Of(15), "Sesame 1"));
    ASSERT_TRUE(answer && answer->day);
    EXPECT_EQ(answer->day->Grant(), (DayGrant{today, 5 * 3600 + 55 * 60 + 28, 900}));
    const std::string code = *CodeAt(crypto, codes.MakeNew(), CodeStepAtUtcMs(clock.UtcNow()));
    answer = ParseGrantAnswer(grant(GrantChoice::Of(60), code));
    ASSERT_TRUE(answer && answer->day);
    EXPECT_EQ(answer->proof, GrantProof::Code);
    const DayGrant expected{today, 6 * 3600 + 40 * 60 + 28, 3600};
    EXPECT_EQ(answer->day->Grant(), expected);
    EXPECT_EQ(grant(GrantChoice::Of(60), code), kGuardWrongPassword) << "a code works once";
    // The heartbeat tells it, the settings keep it with the day's count, and a restart of the
    // guardian keeps it.
    EXPECT_EQ(ParseBeatAnswer(Beat(100, LockState::Unlocked))->Grant(), expected);
    EXPECT_EQ(registry.Get(RootKey::LocalMachine, kSettingsKeyPath, "AnnaPDGR"), RegValue::String(EncodeDayGrant(expected)));
    guardian = Make();
    guardian->UseAdminGate(gate);
    guardian->Restore();
    guardian->SessionsPresent({Anna()});
    Channel(100);
    EXPECT_EQ(ParseHelloAnswer(guardian->HandleChannel(1, 100, "hello"))->day.Grant(), expected);
    // The next day has none; the granted day's line says how much was given.
    clock.Advance(20 * 3600000LL);
    EXPECT_EQ(ParseBeatAnswer(Beat(100, LockState::Unlocked))->Grant(), std::nullopt);
    EXPECT_EQ(files.files["C:\\Program Files\\PC Vardex\\Anna.usage.csv"],
              std::string(kUsageHistoryHeader) + "\r\n2026-12-08,0,,60,0\r\n");
}

TEST_F(GuardianTest, ARestartOfTheGuardianKeepsEveryLockedSessionLocked)
{
    guardian->SessionsPresent({Anna(), {2, "bob", kBobSid}});
    Channel(100);
    Channel(101, 2);
    Beat(100, LockState::Locked);
    Beat(101, LockState::Expired, 300000, false, 2);
    clock.Advance(60000);
    // An upgrade: the guardian goes, its lock services stay; the one of session 1 ends meanwhile.
    host = RecordingHost{};
    host.nextProcess = 200;
    guardian = Make();
    host.adopt = false;
    guardian->Restore();
    guardian->SessionsPresent({Anna(), {2, "bob", kBobSid}});
    ASSERT_EQ(host.starts.size(), 2u);
    EXPECT_EQ(host.starts[0].second, "/lock");
    EXPECT_EQ(host.starts[1].second, "/lock /grace 240000");

    // The running ones are taken back, and their next end comes back locked too.
    host = RecordingHost{};
    host.nextProcess = 300;
    guardian = Make();
    guardian->Restore();
    guardian->SessionsPresent({Anna(), {2, "bob", kBobSid}});
    EXPECT_TRUE(host.starts.empty());
    EXPECT_EQ(Channel(200), "channel 1200");
    guardian->LockServiceEnded(1, 200);
    EXPECT_EQ(host.starts.back().second, "/lock");

    // After a reboot, the store's sessions belong to another boot: a logon starts afresh.
    host = RecordingHost{};
    clock.elapsed = 5000;
    guardian = Make();
    guardian->Restore();
    guardian->SessionsPresent({Anna()});
    EXPECT_EQ(host.starts, (std::vector<std::pair<std::uint32_t, std::string>>{{1, ""}}));
}

TEST_F(GuardianTest, MalformedRequestsAndStoreValuesAreRefusedAndReportedWithoutFlooding)
{
    guardian->SessionsPresent({Anna()});
    Channel(100);
    const std::size_t before = host.log.size();
    for (int i = 0; i < 500; ++i)
        EXPECT_EQ(guardian->Handle(Client(555), "x" + std::to_string(i)), kGuardRefused);
    EXPECT_EQ(host.log.size(), before + 1) << "the first at once";
    Run(100, 63000);
    EXPECT_EQ(host.log.size(), before + 2) << "then one line for the rest";
    // A counter of the wrong type, and a store value that is no count: refused, never fatal.
    registry.Set(RootKey::LocalMachine, kSettingsKeyPath, "AnnaPDDC", RegValue::String("46364"));
    registry.Set(RootKey::LocalMachine, kGuardStoreKeyPath, "Use " + kBobSid, RegValue::String("yesterday"));
    registry.FailWritesOf("Use " + kAnnaSid);
    EXPECT_NO_THROW(Run(100, 9000, LockState::Unlocked, true));
    EXPECT_EQ(guardian->UseOf(kBobSid), (GuardDay{today, 0, today - 1, 0}));
    EXPECT_EQ(guardian->UseOf(kAnnaSid).usedSeconds, 9u) << "counted on in memory";
}

TEST_F(GuardianTest, LogLinesComeOnlyFromTheLockServiceInTheLogsFormAndAtAPersonsPace)
{
    guardian->SessionsPresent({Anna()});
    Channel(100);
    const std::string line = "log 08/12/2026 05:40:28 Access Denied";
    EXPECT_EQ(guardian->Handle(Client(555), line), kGuardRefused) << "never on the public pipe";
    EXPECT_EQ(guardian->HandleChannel(1, 100, "log 08/12/2026 05:40:28 Access Granted!"), kGuardRefused);
    for (int i = 0; i < kLogLinesPerMinute; ++i)
        EXPECT_EQ(guardian->HandleChannel(1, 100, line), kGuardAccepted);
    EXPECT_EQ(guardian->HandleChannel(1, 100, line), kGuardRefused);
    clock.Advance(60000);
    EXPECT_EQ(guardian->HandleChannel(1, 100, line), kGuardAccepted);
    ASSERT_EQ(appended.size(), static_cast<std::size_t>(kLogLinesPerMinute) + 1);
    EXPECT_EQ(appended.front(), "C:\\Program Files\\PC Vardex\\Anna.log|08/12/2026 05:40:28 Access Denied\r\n");
}

TEST(StartOptions, WhatTheGuardianAndTheLogonEntryAskIsUnderstood)
{
    struct Case {
        std::vector<std::string> arguments;
        bool lock;
        std::optional<std::uint32_t> grace;
        bool atLogon;
        std::optional<std::uint64_t> channel = std::nullopt;
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
        {{"/lock", "/channel", "420"}, true, std::nullopt, false, 420},
        {{"/channel", "0x1a4"}, false, std::nullopt, false},
    };
    for (const Case& c : cases) {
        const StartOptions options = ParseStartOptions(c.arguments);
        EXPECT_EQ(options.lock, c.lock);
        EXPECT_EQ(options.graceLeftMs, c.grace);
        EXPECT_EQ(options.atLogon, c.atLogon);
        EXPECT_EQ(options.channel, c.channel);
    }
}

}  // namespace
}  // namespace vardex
