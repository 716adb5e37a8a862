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

TEST(ParseSchedule, UnreadableEntriesAreLeftOutAndCountedTheRestIsKept)
{
    RegionalFormats dotted;
    dotted.timeSeparator = ".";
    Lines lines{"kept=as before"};
    const ScheduleParseResult result =
        ParseSchedule("08.00 - 09.00=1;garbage=1;8h - 9h=1;10.00=1;10:00 - 11:00=1;", dotted, lines);
    EXPECT_EQ(lines, (Lines{"kept=as before", "0.333333333333333=0.375", "0.416666666666667=0.458333333333333"}));
    EXPECT_EQ(result.added, 2);
    EXPECT_EQ(result.unreadable, 3);
}

}  // namespace
}  // namespace vardex
