// The guardian's gate to the settings: who gets a ticket, what a ticket lets its holder write,
// and that nothing of a request it cannot take is written.
#include "guard/AdminGate.h"

#include "CheapCrypto.h"
#include "FakeSystem.h"
#include "MemoryRegistry.h"
#include "MemorySecrets.h"
#include "common/OneTimeCode.h"
#include "common/Base64.h"
#include "config/Settings.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

using test::CheapCrypto;
using test::FakeClock;
using test::MemoryFileSystem;
using test::MemoryRegistry;

constexpr const char* kProgram = "C:\\Program Files\\PC Vardex\\";
const GuardClient kWindow{1, 500, "S-1-5-21-1-2-3-1001", "anna"};

class AdminGateTest : public ::testing::Test {
protected:
    MemoryRegistry registry;
    MemoryFileSystem files;
    CheapCrypto crypto;
    FakeClock clock;
    std::vector<std::string> log, refusals;
    bool locked = false;
    AdminGate gate{registry, files, crypto, clock, [] { return std::vector<std::string>{"anna", "Bob Smith", ".Default"}; },
                   kProgram, [this](GuardLogKind, const std::string& text) { log.push_back(text); },
                   [this](const std::string& text) { refusals.push_back(text); }};

    test::MemorySecrets secrets;
    CodeSecret codes{secrets, crypto, clock};

    void SetUp() override { SetAdminPassword(HashPassword("Sesame 1", crypto)); }
    void SetAdminPassword(const std::string& stored)
    {
        registry.Set(RootKey::LocalMachine, kSettingsKeyPath, SettingNames::AdminPassword, RegValue::String(stored));
    }
    std::string Ask(const GuardRequest& request, const GuardClient& client = kWindow)
    {
        // Every request goes through its text, as on the pipe.
        const std::optional<GuardRequest> parsed = ParseGuardRequest(EncodeGuardRequest(request));
        EXPECT_TRUE(parsed) << EncodeGuardRequest(request);
        return parsed ? gate.Answer(client, *parsed, locked) : "";
    }
    std::string Login(const std::string& password, const GuardClient& client = kWindow)
    {
        return Ask(GuardRequest::Admin(GuardRequestKind::AdminLogin, {}, password), client);
    }
    std::string Ticket(const std::string& password = "Sesame 1")
    {
        const std::optional<AdminLoginAnswer> answer = ParseAdminLoginAnswer(Login(password));
        return answer ? answer->ticket : std::string();
    }
    // Stages the values (a long text in pieces) and commits them.
    std::string Write(const std::string& ticket, const std::vector<SettingWrite>& writes,
                      const GuardClient& client = kWindow)
    {
        for (const SettingWrite& write : writes) {
            const auto* text = std::get_if<std::string>(&write.value);
            GuardRequest put = GuardRequest::Admin(GuardRequestKind::AdminPut, ticket);
            put.write = {write.name, text ? SettingValue(text->substr(0, 1000)) : write.value};
            if (Ask(put, client) != kGuardAccepted)
                return "put refused";
            for (std::size_t at = 1000; text && at < text->size(); at += 1000)
                if (Ask(GuardRequest::Admin(GuardRequestKind::AdminMore, ticket, text->substr(at, 1000)), client) !=
                    kGuardAccepted)
                    return "more refused";
        }
        GuardRequest commit = GuardRequest::Admin(GuardRequestKind::AdminCommit, ticket);
        commit.count = static_cast<std::uint32_t>(writes.size());
        return Ask(commit, client);
    }
    std::optional<RegValue> Stored(const std::string& name)
    {
        return registry.Get(RootKey::LocalMachine, kSettingsKeyPath, name);
    }
};

TEST(GuardProtocol, TheWindowsRequestsAndAnswersRoundTripAndMalformedOnesAreDropped)
{
    const std::string ticket(32, 'a');
    GuardRequest put = GuardRequest::Admin(GuardRequestKind::AdminPut, ticket);
    GuardRequest commit = GuardRequest::Admin(GuardRequestKind::AdminCommit, ticket);
    commit.count = 12;
    std::vector<GuardRequest> requests{GuardRequest::Admin(GuardRequestKind::AdminLogin, {}),
                                       GuardRequest::Admin(GuardRequestKind::AdminLogin, {}, "p\xC3\xA4ss w\0rd"),
                                       GuardRequest::Admin(GuardRequestKind::AdminMore, ticket, "09:00"),
                                       GuardRequest::Admin(GuardRequestKind::AdminClearLog, ticket, "Bob Smith"),
                                       GuardRequest::Admin(GuardRequestKind::AdminEnd, ticket), commit};
    for (const SettingValue& value : {SettingValue(std::string()), SettingValue(std::string("a b")),
                                      SettingValue(std::int32_t{-1}), SettingValue(true), SettingValue(false)}) {
        put.write = {"Bob SmithPWTB", value};
        requests.push_back(put);
    }
    for (const GuardRequest& request : requests)
        EXPECT_EQ(ParseGuardRequest(EncodeGuardRequest(request)), request) << EncodeGuardRequest(request);
    const std::string t = " " + ticket + " ";
    for (const std::string& bad : std::vector<std::string>{
             "admin ", "admin =", "admin QQ==", "admin QQ QQ", "end", "end " + std::string(32, 'A'), "end " + ticket + " x",
          "end " + std::string(31, 'a'), "commit" + t + "-1", "commit" + t + "100001", "commit" + t, "put" + t + "QQ",
          "put" + t + "QQ x 1", "put" + t + "QQ f 2", "put" + t + "QQ n 2147483648", "put" + t + "QQ t QQ QQ",
          "put" + t + "t", "more" + t + "", "more" + t + "QQ QQ", "clear-log" + t + "%%"})
        EXPECT_FALSE(ParseGuardRequest(bad)) << bad;
    EXPECT_EQ(ParseAdminLoginAnswer(EncodeTicketAnswer(ticket))->ticket, ticket);
    EXPECT_EQ(ParseAdminLoginAnswer(EncodeWaitAnswer(8))->waitSeconds, 8u);
    EXPECT_TRUE(ParseAdminLoginAnswer("wrong")->wrong);
    for (const std::string& bad : std::vector<std::string>{"refused", "ticket x", "wait 0", "ticket " + ticket + " 1", ""})
        EXPECT_FALSE(ParseAdminLoginAnswer(bad)) << bad;
    // The lock service's grant and its answers.
    for (const GrantChoice& choice : {GrantChoice::Of(15), GrantChoice::Until(66600), GrantChoice::RestOfDay()}) {
        const GuardRequest grant = GuardRequest::Grant(choice, "Sesame 1");
        EXPECT_EQ(ParseGuardRequest(EncodeGuardRequest(grant)), grant) << EncodeGuardRequest(grant);
    }
    for (const char* bad : {"grant min 15", "grant min 0 QQ", "grant rest", "grant until 66600 QQ x", "grant later QQ"})
        EXPECT_FALSE(ParseGuardRequest(bad)) << bad;
    const GuardDay granted{46363, 3600, 46363, 7200, 65700, 900};
    const std::optional<GrantAnswer> answer = ParseGrantAnswer(EncodeGrantedAnswer(GrantProof::Code, granted));
    EXPECT_EQ(answer->day, granted);
    EXPECT_EQ(answer->proof, GrantProof::Code);
    EXPECT_TRUE(ParseGrantAnswer("wrong")->wrong);
    EXPECT_EQ(ParseGrantAnswer("wait 4")->waitSeconds, 4u);
    for (const char* bad : {"refused", "granted phone 46363 3600 46363 7200 65700 900", "granted code 46363 3600 46363 7200",
                            "granted code 46363 3600 46363 7200 0 0"})
        EXPECT_FALSE(ParseGrantAnswer(bad)) << bad;
    // A day with its grant, in the beat's and the hello's answer; one without reads as before.
    EXPECT_EQ(ParseBeatAnswer(EncodeBeatAnswer(granted)), granted);
    EXPECT_EQ(ParseBeatAnswer("ok 46363 3600 46363 7200"), (GuardDay{46363, 3600, 46363, 7200}));
    EXPECT_EQ(ParseHelloAnswer(EncodeHelloAnswer({granted, {}}))->day, granted);
    EXPECT_EQ(ParseSecretAnswer(EncodeSecretAnswer("MZXW6YTBOI")), "MZXW6YTBOI");
    EXPECT_FALSE(ParseSecretAnswer("secret MZXW6YTBO1"));
    for (const CommitAnswer& commitAnswer : {CommitAnswer{true, false, {}}, CommitAnswer{false, true, "annaPWTH"},
                                             CommitAnswer{false, false, "Bob SmithPAPW"}})
        EXPECT_EQ(ParseCommitAnswer(EncodeCommitAnswer(commitAnswer))->name, commitAnswer.name);
}

TEST_F(AdminGateTest, OnlyThePasswordItselfGivesATicketAndARunOfWrongOnesIsSlowedDown)
{
    // The stored hash is readable by everyone: as a password it is wrong.
    EXPECT_EQ(Login(Stored(SettingNames::AdminPassword)->text), kGuardWrongPassword);
    EXPECT_EQ(Login(""), kGuardWrongPassword);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Login("guess"), kGuardWrongPassword);
    // The sixth in a row waits a second, then two, four...; nothing is checked meanwhile, not
    // even the right password, and another process of the session waits as well.
    for (const std::uint32_t wait : {1u, 2u, 4u, 8u}) {
        EXPECT_EQ(ParseAdminLoginAnswer(Login("Sesame 1"))->waitSeconds, wait);
        EXPECT_EQ(ParseAdminLoginAnswer(Login("Sesame 1", {1, 777, kWindow.userSid, ""}))->waitSeconds, wait);
        clock.Advance(wait * 1000);
        EXPECT_EQ(Login("guess"), kGuardWrongPassword);
    }
    clock.Advance(16000);
    EXPECT_EQ(Ticket().size(), 32u);
    EXPECT_EQ(Login("guess"), kGuardWrongPassword);  // the run starts again
    EXPECT_GE(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.starts_with("A wrong"); }), 10);
    // The waits stop doubling at a minute.
    for (int i = 0; i < 12; ++i) {
        clock.Advance(kMaxGuessWaitMs);
        Login("guess");
    }
    EXPECT_EQ(ParseAdminLoginAnswer(Login("Sesame 1"))->waitSeconds, 60u);
    // A plain value stored before hashes is compared as it is; where none is set, nobody needs one.
    SetAdminPassword("old plain");
    clock.Advance(kMaxGuessWaitMs);
    EXPECT_EQ(Ticket("old plain").size(), 32u);
    SetAdminPassword("");
    EXPECT_EQ(Ticket("").size(), 32u);
    // No ticket while the session is locked.
    locked = true;
    EXPECT_EQ(Login(""), kGuardRefused);
}

TEST_F(AdminGateTest, MoreTimeIsProvedByTheSetPasswordOrAFreshCodeAndGuessesWaitAsForTheWindow)
{
    const auto proof = [this](const std::string& text) { return gate.CheckGrantProof(kWindow, text); };
    EXPECT_FALSE(proof("123456").by) << "no codes: a code proves nothing";
    gate.UseCodes(codes);
    // The codes' secret goes only to a ticket's holder: made at the first look, the same at the
    // next, and new when asked.
    EXPECT_EQ(Ask(GuardRequest::Admin(GuardRequestKind::AdminCodes, std::string(32, 'a'), "show")), kGuardRefused);
    const std::string ticket = Ticket();
    const std::optional<std::string> first =
        ParseSecretAnswer(Ask(GuardRequest::Admin(GuardRequestKind::AdminCodes, ticket, "show")));
    ASSERT_TRUE(first);
    EXPECT_EQ(ParseSecretAnswer(Ask(GuardRequest::Admin(GuardRequestKind::AdminCodes, ticket, "show"))), first);
    const std::optional<std::string> renewed =
        ParseSecretAnswer(Ask(GuardRequest::Admin(GuardRequestKind::AdminCodes, ticket, "new")));
    ASSERT_TRUE(renewed);
    EXPECT_NE(renewed, first);
    const std::vector<std::uint8_t> secret = *DecodeBase32(*renewed);
    const std::string code = *CodeAt(crypto, secret, CodeStepAtUtcMs(clock.UtcNow()));
    const std::string stale = *CodeAt(crypto, *DecodeBase32(*first), CodeStepAtUtcMs(clock.UtcNow()));

    EXPECT_EQ(proof("Sesame 1").by, GrantProof::Password);
    EXPECT_FALSE(proof(Stored(SettingNames::AdminPassword)->text).by) << "the readable hash";
    EXPECT_FALSE(proof(stale).by) << "the voided secret's code";
    EXPECT_EQ(proof(code).by, GrantProof::Code);
    EXPECT_FALSE(proof(code).by) << "a code works once";
    for (int i = 0; i < 3; ++i)
        proof("guess");
    // Five wrong ones in a row, with the window's login counting along: then a wait, even for the
    // right password, and the login waits too.
    EXPECT_EQ(Login("guess"), kGuardWrongPassword);
    EXPECT_EQ(proof("Sesame 1").waitSeconds, 1u);
    EXPECT_EQ(ParseAdminLoginAnswer(Login("Sesame 1"))->waitSeconds, 1u);
    clock.Advance(1000);
    EXPECT_EQ(proof("Sesame 1").by, GrantProof::Password);
    // Where no administrator password is set, no entry proves anything.
    SetAdminPassword("");
    EXPECT_FALSE(proof("").by);
    EXPECT_FALSE(proof("x").by);
}

TEST_F(AdminGateTest, ATicketServesOnlyItsProcessAndEndsWithALockItsWindowOrHalfAnHour)
{
    const std::vector<SettingWrite> write{{"annaPWTH", std::int32_t{3}}};
    const std::string ticket = Ticket();
    for (const GuardClient& other : {GuardClient{1, 501, kWindow.userSid, "anna"}, GuardClient{2, 500, kWindow.userSid, "anna"},
                                     GuardClient{1, 500, "S-1-5-21-1-2-3-1002", "bob"}})
        EXPECT_EQ(Write(ticket, write, other), "put refused");
    EXPECT_EQ(Write(std::string(32, 'f'), write), "put refused");
    EXPECT_FALSE(refusals.empty()) << "refusals are reported, through the throttled warnings";
    EXPECT_FALSE(Stored("annaPWTH"));

    const auto endedBy = [&](const std::function<void(const std::string&)>& end) {
        const std::string held = Ticket();
        end(held);
        return Write(held, write);
    };
    const auto end = [&](const std::string& held) { Ask(GuardRequest::Admin(GuardRequestKind::AdminEnd, held)); };
    EXPECT_EQ(endedBy([&](const std::string&) { gate.EndTrustIn(1); }), "put refused");
    EXPECT_EQ(endedBy([&](const std::string&) { clock.Advance(kTicketLifeMs); }), "put refused");
    EXPECT_EQ(endedBy(end), "put refused");
    EXPECT_EQ(endedBy([&](const std::string&) { end(ticket); }), kGuardAccepted);  // only the one ended
    EXPECT_TRUE(Stored("annaPWTH"));
    // A session holds a few tickets at most: the oldest go.
    const std::string first = Ticket();
    for (std::size_t i = 0; i < kMaxTicketsPerSession; ++i)
        Ticket();
    EXPECT_EQ(Write(first, write), "put refused");
    EXPECT_EQ(endedBy([&](const std::string&) { gate.EndTrustIn(2); }), kGuardAccepted);  // another session's lock
}

TEST_F(AdminGateTest, ARequestWithAnythingItCannotTakeIsRefusedWholeAndNothingIsWritten)
{
    const std::string hash = HashPassword("new one", crypto);
    const SettingWrite good{"PMTO", std::int32_t{60}};
    const struct {
        SettingWrite bad;
        const char* why;
    } cases[] = {
        {{"XYZ", std::int32_t{1}}, "an unknown name"},
        {{"carlPWTH", std::int32_t{3}}, "a user who is not listed"},
        {{"annaPDTC", std::int32_t{0}}, "the day's count, which the window never writes"},
        {{"PMTO", std::string("60")}, "a number as text"},
        {{"PSBI", std::int32_t{1}}, "a flag as a number"},
        {{"PMTO", std::int32_t{14}}, "below its range"},
        {{"annaPWTH", std::int32_t{25}}, "above its range"},
        {{"PMPM", std::int32_t{3}}, "a power mode that does not exist"},
        {{"APW", std::string("plain text")}, "a plain administrator password"},
        {{"Bob SmithPAPW", std::string("$pbkdf2-sha256$i=1$x$y")}, "a malformed user password hash"},
        {{"PBGI", std::string(kMaxSettingTextBytes + 1, 'x')}, "a text too long"},
        {{"PBGI", std::string("a\0b", 3)}, "a text with a null"},
        {{kNetworkLogonValueName, std::int32_t{1}}, "the logon flag as a number"},
        {{"annaPWD1", std::string("16:00 - 18:00")}, "a weekday's periods not in their form"},
        {{"annaPWM7", std::int32_t{1441}}, "more minutes than a day has"},
        {{"annaPWWM", std::int32_t{-1}}, "a week's minutes below none"},
        {{"annaPWIM", std::int32_t{61}}, "idle minutes past the hour"},
        {{"annaPWEA", std::int32_t{3}}, "an end that does not exist"},
        {{"annaPWWS", std::int32_t{0}}, "the week's count, which the window never writes"},
    };
    const std::string ticket = Ticket();
    for (const auto& [bad, why] : cases) {
        const std::string answer = Write(ticket, {good, bad});
        EXPECT_EQ(ParseCommitAnswer(answer)->name, bad.name) << why << ": " << answer;
        EXPECT_FALSE(Stored("PMTO")) << why;
    }
    // A commit that counts other values than were staged is refused, and so is one beyond the
    // staging bounds; after either, the next request starts afresh.
    GuardRequest put = GuardRequest::Admin(GuardRequestKind::AdminPut, ticket);
    put.write = good;
    Ask(put);
    GuardRequest commit = GuardRequest::Admin(GuardRequestKind::AdminCommit, ticket);
    commit.count = 2;
    EXPECT_EQ(Ask(commit), kGuardRefused);
    EXPECT_EQ(Ask(GuardRequest::Admin(GuardRequestKind::AdminMore, ticket, "x")), kGuardRefused);  // nothing staged
    EXPECT_EQ(Ask(commit), kGuardRefused);
    EXPECT_FALSE(Stored("PMTO"));
    // A well-formed request is written in its order, per-user values of the default user and
    // Windows' logon flag included, a long schedule in pieces.
    const std::string schedule = std::string(2500, '1');
    EXPECT_EQ(Write(ticket, {{kNetworkLogonValueName, true}, good, {"APW", hash}, {".DefaultPWTB", schedule},
                             {"Bob SmithPWTH", std::int32_t{24}}, {"annaPAPW", std::string()}}),
              kGuardAccepted);
    EXPECT_EQ(registry.Writes(),
              (std::vector<std::string>{"MustBeValidated", "PMTO", "APW", ".DefaultPWTB", "Bob SmithPWTH", "annaPAPW"}));
    EXPECT_EQ(Stored(".DefaultPWTB")->text, schedule);
    EXPECT_EQ(registry.Get(RootKey::LocalMachine, "Network\\Logon", "MustBeValidated"), RegValue::Integer(1));
    // A write that fails midway names its value; the ones before it stay written.
    registry.FailWritesOf("annaPWTD");
    const std::string answer = Write(ticket, {{"annaPWTL", true}, {"annaPWTD", true}});
    EXPECT_FALSE(ParseCommitAnswer(answer)->invalid);
    EXPECT_EQ(ParseCommitAnswer(answer)->name, "annaPWTD");
    EXPECT_TRUE(Stored("annaPWTL"));
}

TEST_F(AdminGateTest, AListedUsersLogIsClearedForATicketAndNoOtherFile)
{
    const std::string path = std::string(kProgram) + "Bob Smith.log";
    files.Replace(path, "09/12/2026 06:40:28 Access Denied\r\n");
    const std::string ticket = Ticket();
    EXPECT_EQ(Ask(GuardRequest::Admin(GuardRequestKind::AdminClearLog, std::string(32, '0'), "Bob Smith")), kGuardRefused);
    for (const char* other : {"..\\vardex", "carl", "Bob Smith.log"})
        EXPECT_EQ(Ask(GuardRequest::Admin(GuardRequestKind::AdminClearLog, ticket, other)), kGuardRefused) << other;
    EXPECT_EQ(files.Size(path), 35u);
    EXPECT_EQ(Ask(GuardRequest::Admin(GuardRequestKind::AdminClearLog, ticket, "Bob Smith")), kGuardAccepted);
    EXPECT_EQ(files.Size(path), 0u);
}

}  // namespace
}  // namespace vardex
