#include "service/LockStatus.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

constexpr std::int32_t kMonday = 46363;  // 7 December 2026
constexpr std::int32_t kSaturday = kMonday + 5;

constexpr std::int32_t At(int hours, int minutes = 0, int seconds = 0)
{
    return hours * 3600 + minutes * 60 + seconds;
}

// Monday to Friday 16:00-18:00 for at most 1 h; the weekend 10:00-12:00 and 15:00-19:00.
WeekRules SchoolWeek()
{
    WeekRules rules;
    rules.bySchedule = rules.byDuration = true;
    for (std::size_t day = 0; day < 5; ++day)
        rules.days[day] = {std::vector<DayPeriod>{{At(16), At(18)}}, At(1)};
    rules.days[5] = rules.days[6] = {std::vector<DayPeriod>{{At(10), At(12)}, {At(15), At(19)}}, At(3)};
    return rules;
}

TEST(LockStatus, TheStandingLineSaysWhereTheUserStandsUnderTheRulesTheLockEnforces)
{
    const WeekRules school = SchoolWeek(), free;
    WeekRules week = SchoolWeek();
    week.weekSeconds = At(8);
    WeekRules hoursOnly;
    hoursOnly.byDuration = true;
    hoursOnly.everyDaySeconds = At(2);
    RegionalFormats twelveHour;
    twelveHour.shortTimePicture = "h:mm tt";
    const RegionalFormats formats;
    struct Case {
        const char* what;
        const WeekRules& rules;
        LocalMoment now;
        UseSoFar used;
        RestrictionView expiry;  // the standing is worked out below
        const RegionalFormats& formats;
        const char* line;
    } cases[] = {
        {"no restriction", free, {kMonday, At(9)}, {}, {}, formats, ""},
        {"allowed: the day's hours end first", school, {kMonday, At(16, 30)}, {At(0, 20)}, {}, formats,
         "40 min left today (until 17:10)"},
        {"allowed, in the regional time format", school, {kMonday, At(16, 30)}, {At(0, 20)}, {}, twelveHour,
         "40 min left today (until 5:10 PM)"},
        {"allowed: only the hours, over an hour", hoursOnly, {kMonday, At(9)}, {At(0, 40)}, {}, formats,
         "1 h 20 min left today (until 10:20)"},
        {"allowed: seconds left", hoursOnly, {kMonday, At(9)}, {At(1, 59, 30)}, {}, formats,
         "Less than 1 min left today (until 09:00)"},
        {"not now: later today", school, {kMonday, At(15)}, {}, {}, formats, "Not allowed now. Next: 16:00\u201318:00"},
        {"between the weekend's periods", school, {kSaturday, At(12, 30)}, {At(1)}, {}, formats,
         "Not allowed now. Next: 15:00\u201319:00"},
        {"the day used up: tomorrow", school, {kMonday, At(17)}, {At(1)}, {}, formats,
         "No time left today. Next: tomorrow 16:00\u201318:00"},
        {"the hours only, used up: tomorrow, all day", hoursOnly, {kMonday, At(17)}, {At(2)}, {}, formats,
         "No time left today. Next: tomorrow"},
        {"the week used up: next week's first day by name", week, {kMonday + 4, At(16, 10)}, {0, At(8)}, {}, formats,
         "No time left this week. Next: Monday 16:00\u201318:00"},
        {"time up, shut down", school, {kMonday, At(18)}, {}, {true, EndAction::ShutDown, 272, {}}, formats,
         "Time is up: this PC shuts down in 4:32"},
        {"time up, log off", school, {kMonday, At(18)}, {}, {true, EndAction::LogOff, 5, {}}, formats,
         "Time is up: you are logged off in 0:05"},
        {"time up, held locked", school, {kMonday, At(18)}, {}, {true, EndAction::StayLocked, 0, {}}, formats,
         "Time is up. Next: tomorrow 16:00\u201318:00"},
    };
    for (Case& c : cases) {
        c.expiry.standing = StandingAt(c.rules, c.now, c.used);
        EXPECT_EQ(StandingLine(c.rules, c.now, c.expiry, c.formats, Texts{}), c.line) << c.what;
    }
}

TEST(LockStatus, NoticesNameTheTimeInTheRegionalFormat)
{
    RegionalFormats twelveHour;
    twelveHour.shortTimePicture = "h:mm tt";
    EXPECT_EQ(EndWarningText(5, {kMonday, At(18)}, {}, Texts{}), "5 minutes left today. Your time ends at 18:00.");
    EXPECT_EQ(EndWarningText(1, {kMonday, At(18)}, twelveHour, Texts{}), "1 minute left today. Your time ends at 6:00 PM.");
    EXPECT_EQ(FailedAttemptsText(3, {kMonday, At(14, 2)}, {}, Texts{}),
              "3 failed unlock attempts since your last unlock; the last at 14:02");
    EXPECT_EQ(FailedAttemptsText(1, {kMonday, At(9, 5)}, {}, Texts{}), "1 failed unlock attempt since your last unlock, at 09:05");
}

TEST(LockStatus, EachWarningComesOnceAsItsThresholdPassesAndAgainWhenTheEndMovesAway)
{
    EndWarnings warnings;
    warnings.SetThresholds({1, 15, 5});
    using Left = std::optional<std::int64_t>;
    struct Step {
        Left left;
        bool mayShow;
        std::optional<std::int32_t> announced;
    } steps[] = {
        {At(0, 10), true, {}},      // the first reading after a start: 15 passed already, unannounced
        {At(0, 6), true, {}},
        {At(0, 5), true, 5},
        {At(0, 4, 57), true, {}},   // once
        {At(0, 5, 30), true, {}},   // a paused count's noise arms nothing
        {At(0, 2), false, {}},      // locked: passed unannounced
        {At(0, 0, 59), true, 1},
        {At(0, 30), true, {}},      // the end moved away (more time): every threshold armed again
        {At(0, 3), true, 5},        // from 30 to 3 minutes at once: only the nearest of those passed
        {Left{}, true, {}},         // no end in sight
        {At(0, 14), true, 15},
        {0, true, {}},              // the end itself is the expiry's, not a warning
    };
    for (std::size_t i = 0; i < std::size(steps); ++i)
        EXPECT_EQ(warnings.Take(steps[i].left, steps[i].mayShow), steps[i].announced) << "step " << i;
}

TEST(LockStatus, WarningMinutesAsStored)
{
    using Minutes = std::optional<std::vector<std::int32_t>>;
    const struct {
        const char* text;
        Minutes minutes;
    } cases[] = {
        {"15,5,1", std::vector<std::int32_t>{15, 5, 1}},
        {" 1, 30 ,10", std::vector<std::int32_t>{30, 10, 1}},
        {"5,5", std::vector<std::int32_t>{5}},
        {"1440", std::vector<std::int32_t>{1440}},
        {"", {}},
        {"0", {}},
        {"1441", {}},
        {"5,,1", {}},
        {"-5", {}},
        {"1,2,3,4,5,6,7,8,9", {}},
        {"ten", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseWarningMinutes(c.text), c.minutes) << c.text;
}

}  // namespace
}  // namespace vardex
