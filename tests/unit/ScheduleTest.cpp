#include "config/Schedule.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

using Periods = std::vector<SchedulePeriod>;
using Lines = std::vector<std::string>;

Lines Parse(std::string_view text, const RegionalFormats& formats = {})
{
    Lines lines;
    ParseSchedule(text, formats, lines);
    return lines;
}

TEST(DecodeSchedule, EntriesWithTheirMarks)
{
    EXPECT_EQ(DecodeSchedule("08:00 - 12:30=1;13:00 - 17:30=0;"),
              (Periods{{"08:00 - 12:30", true}, {"13:00 - 17:30", false}}));
    EXPECT_TRUE(DecodeSchedule("").empty());
    EXPECT_EQ(DecodeSchedule("08:00 - 09:00;"), (Periods{{"08:00 - 09:00", false}}));  // no mark
    EXPECT_EQ(DecodeSchedule("08:00 - 09:00= 1;"), (Periods{{"08:00 - 09:00", false}}));  // only "1" checks
}

TEST(DecodeSchedule, CommaSeparatedTextIsOneEntryUpToTheSemicolon)
{
    EXPECT_EQ(DecodeSchedule("08:00 - 09:00=1,10:00 - 11:00=1;"), (Periods{{"08:00 - 09:00", false}}));
}

TEST(EncodeSchedule, WritesEveryPeriodWithItsMarkInOrder)
{
    const Periods periods{{"08:00 - 12:30", true}, {"22:00 - 06:00", false}};
    EXPECT_EQ(EncodeSchedule(periods), "08:00 - 12:30=1;22:00 - 06:00=0;");
    EXPECT_EQ(DecodeSchedule(EncodeSchedule(periods)), periods);
    EXPECT_EQ(EncodeSchedule({}), "");
}

TEST(ParseSchedule, EnabledPeriodsBecomeDayFractions)
{
    EXPECT_EQ(Parse("09:00 - 17:00=1;"), (Lines{"0.375=0.708333333333333"}));
    EXPECT_EQ(Parse("08:00 - 12:30=1;13:00 - 17:30=0;22:00 - 06:00=1;"),
              (Lines{"0.333333333333333=0.520833333333333", "0.916666666666667=0.25"}));
    EXPECT_TRUE(Parse("").empty());
}

TEST(ParseSchedule, CommasSeparateAndMissingMarksCountAsEnabled)
{
    EXPECT_EQ(Parse("08:00 - 09:00=1,10:00 - 11:00=1;"),
              (Lines{"0.333333333333333=0.375", "0.416666666666667=0.458333333333333"}));
    EXPECT_EQ(Parse("08:00 - 09:00;"), (Lines{"0.333333333333333=0.375"}));
    EXPECT_EQ(Parse("08:00 - 09:00= 0 ;10:00 - 11:00=2;"), (Lines{"0.416666666666667=0.458333333333333"}));
}

TEST(ParseSchedule, RegionalTwelveHourFormat)
{
    RegionalFormats formats;
    formats.shortTimePicture = "h:mm tt";
    EXPECT_EQ(Parse("9:00 AM - 5:00 PM=1;", formats), (Lines{"0.375=0.708333333333333"}));
}

TEST(ParseSchedule, UnreadableEnabledEntriesAllowNoTimeAndAreNamedTheRestIsKept)
{
    RegionalFormats dotted;
    dotted.timeSeparator = ".";
    Lines lines{"kept=as before"};
    const ScheduleParseResult result = ParseSchedule(
        "08.00 - 09.00=1;garbage=1;8h - 9h=1;10.00=1;10:00 - 11:00=1;25:00 - 26:00=0;", dotted, lines);
    EXPECT_EQ(lines, (Lines{"kept=as before", "0.333333333333333=0.375", "1=0", "1=0", "1=0",
                            "0.416666666666667=0.458333333333333"}));
    EXPECT_EQ(result.added, 5);
    EXPECT_EQ(result.unreadable, (std::vector<std::string>{"garbage", "8h - 9h", "10.00"}));
}

TEST(ParseSchedule, HostileDesignatorsAndSeparatorsCannotChangeOrHideAPeriod)
{
    // What a user could set in their own regional settings; the times read as they are written.
    struct Formats {
        const char *am, *pm, *separator;
    };
    for (const Formats f : {Formats{"1", "PM", ":"}, Formats{"08", "17", ":"}, Formats{"AM", "PM", "0"},
                            Formats{"", "", ""}, Formats{"0", "00", "1"}, Formats{" ", "-", "="}}) {
        RegionalFormats formats;
        formats.amDesignator = f.am;
        formats.pmDesignator = f.pm;
        formats.timeSeparator = f.separator;
        EXPECT_EQ(Parse("08:00 - 17:00=1;8:00 AM - 5:00 PM=1;", formats),
                  (Lines{"0.333333333333333=0.708333333333333", "0.333333333333333=0.708333333333333"}))
            << "AM '" << f.am << "' PM '" << f.pm << "' separator '" << f.separator << "'";
    }
}

TEST(SummarizeSchedule, WhatTheCheckedPeriodsAllowTogether)
{
    struct Case {
        const char* schedule;
        const char* text;
        bool allowsNoTime;
    };
    const Case cases[] = {
        {"", "Allowed: all day (no period is checked)", false},
        {"09:00 - 12:00=0;", "Allowed: all day (no period is checked)", false},
        {"09:00 - 12:00=1;", "Allowed: 09:00\u201312:00", false},
        {"09:00 - 12:00=1;13:00 - 17:00=0;", "Allowed: 09:00\u201312:00", false},
        // Every checked period at once: two ordinary ones apart share nothing.
        {"09:00 - 12:00=1;13:00 - 17:00=1;", "No time is allowed: the checked periods share no time", true},
        {"09:00 - 12:00=1;12:00 - 17:00=1;", "No time is allowed: the checked periods share no time", true},
        {"08:00 - 12:00=1;11:00 - 17:00=1;09:00 - 18:00=1;", "Allowed: 11:00\u201312:00", false},
        // Across midnight, alone, with another one across midnight, and with a day period at both ends.
        {"22:00 - 06:00=1;", "Allowed: 22:00\u201306:00", false},
        {"22:00 - 06:00=1;23:00 - 07:00=1;", "Allowed: 23:00\u201306:00", false},
        {"22:00 - 06:00=1;05:00 - 23:00=1;", "Allowed: 05:00\u201306:00, 22:00\u201323:00", false},
        {"22:00 - 06:00=1;07:00 - 21:00=1;", "No time is allowed: the checked periods share no time", true},
        {"20:00 - 00:00=1;", "Allowed: 20:00\u201300:00", false},
        {"08:00 - 08:00=1;", "Allowed: all day", false},  // the same two times: the whole day
        // Read as the lock service reads them: no mark is checked, an unreadable one allows nothing.
        {"09:00 - 12:00;10:00 - 11:00=1,", "Allowed: 10:00\u201311:00", false},
        {"09:00 - 12:00=1;8h - 9h=1;", "No time is allowed: the period \"8h - 9h\" cannot be read", true},
        {"8h - 9h=0;", "Allowed: all day (no period is checked)", false},
    };
    for (const Case& c : cases) {
        const ScheduleSummary summary = SummarizeSchedule(c.schedule, {});
        EXPECT_EQ(summary.text, c.text) << c.schedule;
        EXPECT_EQ(summary.allowsNoTime, c.allowsNoTime) << c.schedule;
    }
    RegionalFormats twelve;
    twelve.shortTimePicture = "h:mm tt";
    EXPECT_EQ(SummarizeSchedule("9:00 PM - 1:00 AM=1;", twelve).text, "Allowed: 9:00 PM\u20131:00 AM");
}

}  // namespace
}  // namespace vardex
