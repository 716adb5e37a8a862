// The administrator's grants: one-time codes against the published vectors, their window and
// their single use, and the grant's arithmetic on the rules.
#include "MemorySecrets.h"
#include "PasswordVectors.h"
#include "common/CodeSecret.h"
#include "common/Errors.h"
#include "common/NativeCrypto.h"
#include "common/OneTimeCode.h"
#include "rules/Grants.h"

#include <gtest/gtest.h>


namespace vardex {
namespace {

constexpr std::int32_t kMonday = 46363;  // 7 December 2026

constexpr std::int32_t At(int hours, int minutes = 0)
{
    return hours * 3600 + minutes * 60;
}

TEST(OneTimeCodes, MatchThePublishedVectorsAndTheirTexts)
{
    NativePasswordCrypto crypto;
    test::ExpectRfc6238Codes(crypto);
    // RFC 4648's base32 vectors, decoded back; a text that is not canonical is refused.
    const std::vector<std::pair<std::string, std::string>> base32{
        {"", ""}, {"f", "MY"}, {"fo", "MZXQ"}, {"foo", "MZXW6"}, {"foob", "MZXW6YQ"}, {"fooba", "MZXW6YTB"},
        {"foobar", "MZXW6YTBOI"}};
    for (const auto& [plain, text] : base32) {
        const auto bytes = test::Bytes(plain);
        EXPECT_EQ(EncodeBase32(bytes), text);
        EXPECT_EQ(DecodeBase32(text), std::vector<std::uint8_t>(bytes.begin(), bytes.end())) << text;
    }
    EXPECT_EQ(DecodeBase32("mzxw6ytboi"), DecodeBase32("MZXW6YTBOI"));
    for (const char* refused : {"MZ=", "M", "MZXW6YTBO1", "MZXW6YTBOJ", "MZX"})
        EXPECT_FALSE(DecodeBase32(refused)) << refused;
    const std::vector<std::uint8_t> secret(20, 0xAB);
    EXPECT_EQ(OtpAuthUri(secret, "PC Vardex", "HOME-PC"),
              "otpauth://totp/PC%20Vardex:HOME-PC?secret=VOV2XK5LVOV2XK5LVOV2XK5LVOV2XK5L&issuer=PC%20Vardex"
              "&algorithm=SHA1&digits=6&period=30");
    // 1 January 1970 00:01:00 UTC, in milliseconds since 1601.
    EXPECT_EQ(CodeStepAtUtcMs((11644473600 + 60) * 1000), 2);
    EXPECT_EQ(CodeStepAt(-1), -1);
}

class FixedClock final : public Clock {
public:
    std::int64_t unixSeconds = 1111111109;
    LocalTime Now() override { return {}; }
    std::int64_t UtcNow() override { return (unixSeconds + 11644473600) * 1000; }
    std::int64_t ElapsedMs() override { return 0; }
    TimeZoneRules Zone() override { return {}; }
};

TEST(OneTimeCodes, AreTakenOnceWithinOneStepEitherWay)
{
    NativePasswordCrypto crypto;
    test::MemorySecrets store;
    FixedClock clock;
    CodeSecret codes(store, crypto, clock);
    EXPECT_FALSE(codes.Secret());
    EXPECT_FALSE(codes.Take("000000")) << "no secret yet";
    const std::vector<std::uint8_t> secret = codes.MakeNew();
    ASSERT_EQ(secret.size(), kCodeSecretBytes);
    EXPECT_EQ(codes.Secret(), secret);
    const std::int64_t now = CodeStepAt(clock.unixSeconds);
    const auto code = [&](std::int64_t step) { return *CodeAt(crypto, secret, step); };
    EXPECT_FALSE(codes.Take(code(now - 2))) << "two steps old";
    EXPECT_FALSE(codes.Take(code(now + 2))) << "two steps ahead";
    EXPECT_TRUE(codes.Take(code(now - 1)));
    EXPECT_FALSE(codes.Take(code(now - 1))) << "used";
    EXPECT_TRUE(codes.Take(code(now + 1)));
    EXPECT_FALSE(codes.Take(code(now))) << "older than one taken";
    // Taken once for good: the step is stored, and a new object reads it back.
    clock.unixSeconds += 30;
    CodeSecret again(store, crypto, clock);
    EXPECT_FALSE(again.Take(code(now + 1)));
    EXPECT_TRUE(again.Take(code(now + 2)));
    // A new secret voids the old one's codes.
    const std::vector<std::uint8_t> renewed = again.MakeNew();
    EXPECT_NE(renewed, secret);
    clock.unixSeconds += 30;
    EXPECT_FALSE(again.Take(code(now + 3)));
    EXPECT_TRUE(again.Take(*CodeAt(crypto, renewed, now + 3)));
    // A step that cannot be stored refuses the code rather than leaving it open.
    store.writable = false;
    clock.unixSeconds += 30;
    EXPECT_THROW(again.Take(*CodeAt(crypto, renewed, now + 4)), Error);
    for (const char* refused : {"", "12345", "1234567", "12345a", " 123456"})
        EXPECT_FALSE(IsCodeText(refused)) << refused;
}

TEST(Grants, EachChoiceEndsTodayOnTopOfWhatWasGranted)
{
    const LocalMoment five{kMonday, At(17)};
    struct Case {
        const char* what;
        std::optional<DayGrant> before;
        GrantChoice choice;
        LocalMoment now;
        std::optional<DayGrant> expected;
    };
    const std::vector<Case> cases{
        {"15 minutes", {}, GrantChoice::Of(15), five, DayGrant{kMonday, At(17, 15), 900}},
        {"an hour", {}, GrantChoice::Of(60), five, DayGrant{kMonday, At(18), 3600}},
        {"until a time", {}, GrantChoice::Until(At(18, 30)), five, DayGrant{kMonday, At(18, 30), 5400}},
        {"the rest of the day", {}, GrantChoice::RestOfDay(), five, DayGrant{kMonday, 86400, 7 * 3600}},
        {"an hour at 23:30 ends at midnight", {}, GrantChoice::Of(60), {kMonday, At(23, 30)},
         DayGrant{kMonday, 86400, 1800}},
        {"a time already past", {}, GrantChoice::Until(At(16)), five, std::nullopt},
        {"the time now", {}, GrantChoice::Until(At(17)), five, std::nullopt},
        {"after a grant that ended", DayGrant{kMonday, At(16), 600}, GrantChoice::Of(15), five,
         DayGrant{kMonday, At(17, 15), 1500}},
        {"inside a grant: only what goes beyond it", DayGrant{kMonday, At(17, 10), 900}, GrantChoice::Of(15), five,
         DayGrant{kMonday, At(17, 15), 1200}},
        {"shorter than the grant: nothing lowered", DayGrant{kMonday, At(20), 900}, GrantChoice::Of(15), five,
         DayGrant{kMonday, At(20), 900}},
        {"yesterday's grant is over", DayGrant{kMonday - 1, 86400, 900}, GrantChoice::Of(15), five,
         DayGrant{kMonday, At(17, 15), 900}},
        {"no minutes", {}, GrantChoice::Of(0), five, std::nullopt},
        {"more than a day", {}, GrantChoice::Of(1441), five, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Granted(c.before, c.choice, c.now), c.expected) << c.what;
    // A reload or the keeper's word never lowers a grant.
    const DayGrant early{kMonday, At(18), 3600}, late{kMonday, At(19), 1800};
    EXPECT_EQ(LaterGrant(early, late), (DayGrant{kMonday, At(19), 3600}));
    EXPECT_EQ(LaterGrant(DayGrant{kMonday + 1, At(9), 60}, late), (DayGrant{kMonday + 1, At(9), 60}));
    EXPECT_EQ(LaterGrant(std::nullopt, late), late);
}

TEST(Grants, LiftEveryRuleTillTheirEndAndTheRulesGoOnFromThere)
{
    // Monday 16:00-18:00, an hour a day, eight a week; the hour is used up.
    WeekRules rules;
    rules.bySchedule = rules.byDuration = true;
    rules.days[0] = {std::vector<DayPeriod>{{At(16), At(18)}}, At(1)};
    rules.weekSeconds = At(8);
    const UseSoFar usedUp{At(1), At(3)};
    const LocalMoment five{kMonday, At(17)};
    ASSERT_EQ(HoldupAt(rules, five, usedUp), Holdup::DayUsedUp);
    rules.grant = Granted(std::nullopt, GrantChoice::Of(15), five);
    EXPECT_EQ(HoldupAt(rules, five, usedUp), Holdup::None);
    EXPECT_EQ(StandingAt(rules, five, usedUp).secondsLeft, 900);
    EXPECT_EQ(HoldupAt(rules, {kMonday, At(17, 15)}, usedUp), Holdup::DayUsedUp) << "the expiry comes back";
    // Outside the periods and with the week spent, too.
    EXPECT_EQ(HoldupAt(rules, {kMonday, At(17, 10)}, {0, At(8)}), Holdup::None);
    rules.grant = Granted(std::nullopt, GrantChoice::Of(15), {kMonday, At(20)});
    EXPECT_EQ(HoldupAt(rules, {kMonday, At(20, 5)}, {}), Holdup::None);
    // A grant that ends inside the allowed time runs on into it: at 15:50 until 16:10, with
    // nothing used yet, the period's end and the hour both follow.
    rules.grant = Granted(std::nullopt, GrantChoice::Until(At(16, 10)), {kMonday, At(15, 50)});
    EXPECT_EQ(StandingAt(rules, {kMonday, At(15, 50)}, {}).secondsLeft, 20 * 60 + 3600);
    // The rest of the day ends at midnight, where Tuesday's rules (none of its own: the whole
    // day) take over with a new day's count, and the week's 5 h left.
    rules.grant = Granted(std::nullopt, GrantChoice::RestOfDay(), five);
    EXPECT_EQ(StandingAt(rules, five, usedUp).secondsLeft, At(7) + At(5));
    EXPECT_EQ(HoldupAt(rules, {kMonday + 1, At(0)}, {0, At(3)}), Holdup::None);
}

TEST(Grants, TextsAsStoredLoggedAndAsked)
{
    const DayGrant grant{kMonday, At(18, 30), 5400};
    EXPECT_EQ(EncodeDayGrant(grant), "46363 66600 5400");
    EXPECT_EQ(ParseDayGrant("46363 66600 5400"), grant);
    for (const char* refused : {"", "46363 66600", "46363 66600 5400 1", "46363  66600 5400", "46363 86401 0",
                                "46363 0 0", "046363 66600 5400", "-1 66600 0", "46363 66600 x"})
        EXPECT_FALSE(ParseDayGrant(refused)) << refused;

    const std::vector<std::pair<GrantChoice, std::string>> events{
        {GrantChoice::Of(60), "Time Granted 60 min (password)"},
        {GrantChoice::Of(15), "Time Granted 15 min (password)"},
        {GrantChoice::Until(At(18, 30)), "Time Granted until 18:30 (password)"},
        {GrantChoice::Until(At(9, 5)), "Time Granted until 09:05 (password)"},
        {GrantChoice::RestOfDay(), "Time Granted rest of day (password)"},
    };
    for (const auto& [choice, text] : events) {
        EXPECT_EQ(GrantEventText(choice, GrantProof::Password), text);
        EXPECT_TRUE(IsGrantEventText(text)) << text;
        EXPECT_EQ(ParseGrantChoice(EncodeGrantChoice(choice)), choice) << text;
    }
    EXPECT_EQ(GrantEventText(GrantChoice::Of(60), GrantProof::Code), "Time Granted 60 min (code)");
    for (const char* refused : {"Time Granted 0 min (code)", "Time Granted 60 min", "Time Granted until 25:00 (code)",
                                "Time Granted until 18:3 (code)", "Time Granted rest of day (phone)",
                                "Time Granted 60 min  (code)", "Access Denied"})
        EXPECT_FALSE(IsGrantEventText(refused)) << refused;
    for (const char* refused : {"", "min", "min 0", "min 1441", "until 0", "until 86401", "rest 1", "min 015"})
        EXPECT_FALSE(ParseGrantChoice(refused)) << refused;
}

}  // namespace
}  // namespace vardex
