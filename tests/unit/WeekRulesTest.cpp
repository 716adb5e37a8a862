#include "rules/WeekRules.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

constexpr std::int32_t kMonday = 46363;  // 7 December 2026
constexpr std::int32_t kFriday = kMonday + 4, kSaturday = kMonday + 5, kSunday = kMonday + 6;

constexpr std::int32_t At(int hours, int minutes = 0, int seconds = 0)
{
    return hours * 3600 + minutes * 60 + seconds;
}

DayRule Periods(std::vector<DayPeriod> periods, std::optional<std::int64_t> seconds = std::nullopt)
{
    return {std::move(periods), seconds};
}

// The week an administrator asks for: Monday to Friday 16:00-18:00, at most 1 h; weekends
// 10:00-12:00 and 15:00-19:00, at most 3 h; 8 h a week.
WeekRules SchoolWeek(int firstWeekday = 0)
{
    WeekRules rules;
    rules.bySchedule = rules.byDuration = true;
    for (int day = 0; day < 5; ++day)
        rules.days[static_cast<std::size_t>(day)] = Periods({{At(16), At(18)}}, At(1));
    rules.days[5] = rules.days[6] = Periods({{At(10), At(12)}, {At(15), At(19)}}, At(3));
    rules.weekSeconds = At(8);
    rules.firstWeekday = firstWeekday;
    return rules;
}

TEST(WeekRules, PeriodsOfADayAllowAnyOfThemAndTheStoredListAllAtOnce)
{
    WeekRules stored;
    stored.bySchedule = true;
    stored.everyDay = {{At(8), At(12)}, {At(13), At(17)}};
    WeekRules night;
    night.bySchedule = true;
    night.everyDay = {{At(22), At(6)}};
    WeekRules crossing;  // Friday night till 02:00, then nothing on Saturday
    crossing.bySchedule = true;
    crossing.days[4] = Periods({{At(22), At(2)}});
    crossing.days[5] = Periods({});
    crossing.days[6] = Periods({{At(9), At(9)}});  // the whole day
    const WeekRules school = SchoolWeek();
    struct Case {
        const char* what;
        const WeekRules& rules;
        LocalMoment moment;
        bool allowed;
    } cases[] = {
        {"two stored periods: no time lies in both", stored, {kMonday, At(10)}, false},
        {"two stored periods, the other one", stored, {kMonday, At(14)}, false},
        {"a stored period across midnight, late", night, {kMonday, At(23)}, true},
        {"a stored period across midnight, early", night, {kMonday, At(5, 59, 59)}, true},
        {"a stored period across midnight, its end", night, {kMonday, At(6)}, false},
        {"a school day's period, its start", school, {kMonday, At(16)}, true},
        {"a school day's period, its last second", school, {kMonday, At(17, 59, 59)}, true},
        {"a school day's period, its end", school, {kMonday, At(18)}, false},
        {"the weekend's first period", school, {kSaturday, At(11)}, true},
        {"between the weekend's periods", school, {kSaturday, At(13)}, false},
        {"the weekend's second period", school, {kSunday, At(18, 59)}, true},
        {"Friday night", crossing, {kFriday, At(23)}, true},
        {"Friday night, on into Saturday", crossing, {kSaturday, At(1, 59, 59)}, true},
        {"Saturday, once Friday's period ended", crossing, {kSaturday, At(2)}, false},
        {"Sunday: the whole day, nothing of Saturday's runs on", crossing, {kSunday, At(0)}, true},
        {"a day without a rule of its own keeps the empty stored list", crossing, {kMonday, At(3)}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PeriodsAllow(c.rules, c.moment), c.allowed) << c.what;
}

TEST(WeekRules, StandingSaysWhatStopsTheWorkHowLongItLastsAndWhenItStartsAgain)
{
    const WeekRules monday = SchoolWeek(), sunday = SchoolWeek(6);
    struct Case {
        const char* what;
        const WeekRules& rules;
        LocalMoment now;
        UseSoFar used;
        Holdup holdup;
        std::optional<std::int64_t> left;
        std::optional<LocalMoment> next;
    } cases[] = {
        {"before the day's period", monday, {kMonday, At(15)}, {}, Holdup::OutsidePeriods, {}, LocalMoment{kMonday, At(16)}},
        {"the day's hours end first", monday, {kMonday, At(16, 30)}, {At(0, 20), At(0, 20)}, Holdup::None, At(0, 40), {}},
        {"the period ends first", monday, {kMonday, At(17, 50)}, {At(0, 10), At(0, 10)}, Holdup::None, At(0, 10), {}},
        {"the day's hours used up: the next day's period", monday, {kMonday, At(17)}, {At(1), At(1)}, Holdup::DayUsedUp, {},
         LocalMoment{kMonday + 1, At(16)}},
        {"the week used up, weeks from Monday", monday, {kFriday, At(16, 10)}, {0, At(8)}, Holdup::WeekUsedUp, {},
         LocalMoment{kMonday + 7, At(16)}},
        {"the week used up, weeks from Sunday", sunday, {kFriday, At(16, 10)}, {0, At(8)}, Holdup::WeekUsedUp, {},
         LocalMoment{kSunday, At(10)}},
        {"the week's budget ends first", monday, {kSaturday, At(11, 30)}, {0, At(7, 45)}, Holdup::None, At(0, 15), {}},
        {"between the weekend's periods", monday, {kSaturday, At(12)}, {At(1), At(5)}, Holdup::OutsidePeriods, {},
         LocalMoment{kSaturday, At(15)}},
    };
    for (const Case& c : cases) {
        const Standing standing = StandingAt(c.rules, c.now, c.used);
        EXPECT_EQ(standing.holdup, c.holdup) << c.what;
        EXPECT_EQ(standing.secondsLeft, c.left) << c.what;
        ASSERT_EQ(standing.nextStart.has_value(), c.next.has_value()) << c.what;
        if (c.next) {
            EXPECT_EQ(standing.nextStart->day, c.next->day) << c.what;
            EXPECT_EQ(standing.nextStart->second, c.next->second) << c.what;
        }
    }
    WeekRules free;
    EXPECT_EQ(StandingAt(free, {kMonday, At(3)}, {}).secondsLeft, std::nullopt) << "nothing ever ends";
}

TEST(WeekRules, StretchesOfADayJoinWhatThePeriodsAllow)
{
    WeekRules rules = SchoolWeek();
    rules.days[4] = Periods({{At(22), At(2)}, {At(16), At(18)}, {At(17), At(19)}});
    rules.days[2] = {};  // Wednesday keeps the stored list
    rules.everyDay = {{At(8), At(12)}, {At(10), At(14)}};
    EXPECT_EQ(AllowedStretches(rules, kSunday), (std::vector<DayPeriod>{{At(10), At(12)}, {At(15), At(19)}}));
    EXPECT_EQ(AllowedStretches(rules, kMonday + 2), (std::vector<DayPeriod>{{At(10), At(12)}}));
    EXPECT_EQ(AllowedStretches(rules, kFriday), (std::vector<DayPeriod>{{At(16), At(19)}, {At(22), kSecondsPerDay}}));
    // Friday's night runs on into Saturday, whatever Saturday's own periods.
    EXPECT_EQ(AllowedStretches(rules, kSaturday),
              (std::vector<DayPeriod>{{0, At(2)}, {At(10), At(12)}, {At(15), At(19)}}));
    rules.days[5] = Periods({});
    EXPECT_EQ(AllowedStretches(rules, kSaturday), (std::vector<DayPeriod>{{0, At(2)}}));
    EXPECT_EQ(WeekStartOf(kSunday, 0), kMonday);
    EXPECT_EQ(WeekStartOf(kSunday, 6), kSunday);
    EXPECT_EQ(WeekdayOf(kMonday), 0);
}

TEST(WeekRules, TodayInPlainWordsComesFromTheSameRules)
{
    WeekRules rules = SchoolWeek();
    rules.days[1].periods = std::vector<DayPeriod>{};  // no time on Tuesday, its hour kept
    const std::string dash = "\u2013";
    EXPECT_EQ(TodayText(rules, {kMonday + 2, At(15)}, {At(0, 20), At(2)}, "alice", EnglishTexts()),
              "Today (Wednesday) alice may work 16:00" + dash + "18:00; 40 min of 1 h left today, 6 h of 8 h this week");
    EXPECT_EQ(TodayText(rules, {kSaturday, At(9)}, {0, At(8, 30)}, "bob", EnglishTexts()),
              "Today (Saturday) bob may work 10:00" + dash + "12:00, 15:00" + dash +
                  "19:00; 3 h of 3 h left today, 0 min of 8 h this week");
    EXPECT_EQ(TodayText(rules, {kMonday + 1, At(9)}, {}, "carl", EnglishTexts()),
              "Today (Tuesday) carl may not work; 1 h of 1 h left today, 8 h of 8 h this week");
    EXPECT_EQ(TodayText(WeekRules{}, {kSunday, At(9)}, {}, "dora", EnglishTexts()), "Today (Sunday) dora may work 00:00" + dash + "24:00");
    for (const auto& [seconds, text] : {std::pair<std::int64_t, const char*>{0, "0 min"}, {59, "0 min"}, {-60, "0 min"},
                                        {4800, "1 h 20 min"}, {7200, "2 h"}, {2700, "45 min"}})
        EXPECT_EQ(SpanText(seconds, EnglishTexts()), text) << seconds;
}

TEST(WeekRules, DayPeriodsAreStoredAsTwentyFourHourTimesAndNothingElseIsRead)
{
    using Periods = std::vector<DayPeriod>;
    struct Case {
        const char* text;
        std::optional<Periods> periods;
    } cases[] = {
        {"", Periods{}},
        {"16:00-18:00", Periods{{At(16), At(18)}}},
        {"10:00-12:00,15:30-19:00", Periods{{At(10), At(12)}, {At(15, 30), At(19)}}},
        {"22:00-02:00", Periods{{At(22), At(2)}}},
        {"22:00-24:00", Periods{{At(22), 0}}},
        {"00:00-24:00", Periods{{0, kSecondsPerDay}}},
        {"16:00 - 18:00", std::nullopt},
        {"4:00-18:00", std::nullopt},
        {"16:60-18:00", std::nullopt},
        {"24:00-02:00", std::nullopt},
        {"22:00-24:30", std::nullopt},
        {"16:00-18:00,", std::nullopt},
        {",16:00-18:00", std::nullopt},
        {"16:00-18:00;20:00-21:00", std::nullopt},
        {"1a:00-18:00", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<Periods> read = ParseDayPeriods(c.text);
        EXPECT_EQ(read, c.periods) << c.text;
        if (read)
            EXPECT_EQ(FormatDayPeriods(*read), c.text) << "written back";
    }
    WeekRules rules;
    rules.bySchedule = true;
    rules.days[0] = {ParseDayPeriods("22:00-24:00"), std::nullopt};
    rules.days[1] = {Periods{}, std::nullopt};
    EXPECT_TRUE(PeriodsAllow(rules, {kMonday, At(23, 59, 59)}));
    EXPECT_FALSE(PeriodsAllow(rules, {kMonday + 1, 0})) << "24:00 ends at midnight";
}

TEST(WeekRules, HoursAndMinutesAsTypedInAFieldAndShownThere)
{
    struct Case {
        const char* text;
        std::optional<std::int32_t> minutes;
    } cases[] = {
        {"1:30", 90}, {" 0:45 ", 45}, {"2", 120}, {"24:00", 1440}, {"0:00", 0},  {"24:01", std::nullopt},
        {"1:5", std::nullopt}, {"1:60", std::nullopt}, {"", std::nullopt}, {":30", std::nullopt},
        {"-1:00", std::nullopt}, {"1h", std::nullopt}, {"99999", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseHoursMinutes(c.text, 1440), c.minutes) << c.text;
    EXPECT_EQ(ParseHoursMinutes("168:00", 10080), 10080);
    for (const std::int32_t minutes : {0, 5, 90, 1440, 10080})
        EXPECT_EQ(ParseHoursMinutes(HoursMinutesText(minutes), 10080), minutes) << HoursMinutesText(minutes);
    EXPECT_EQ(HoursMinutesText(65), "1:05");
}

}  // namespace
}  // namespace vardex
