#include "common/DateTime.h"
#include "common/TimeFormat.h"
#include "common/TimeZone.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vardex {
namespace {

RegionalFormats TwelveHour()
{
    RegionalFormats formats;
    formats.shortTimePicture = "h:mm tt";
    return formats;
}

RegionalFormats Dotted24()
{
    RegionalFormats formats;
    formats.timeSeparator = ".";
    formats.amDesignator = "";
    formats.pmDesignator = "";
    formats.shortTimePicture = "H:mm";
    return formats;
}

TEST(FormatShortTime, FollowsThePictureAndTheRegionalSeparator)
{
    EXPECT_EQ(FormatShortTime(RegionalFormats{}, 8, 5), "08:05");
    EXPECT_EQ(FormatShortTime(TwelveHour(), 0, 30), "12:30 AM");
    EXPECT_EQ(FormatShortTime(TwelveHour(), 13, 0), "1:00 PM");
    EXPECT_EQ(FormatShortTime(Dotted24(), 9, 0), "9.00");
    RegionalFormats prefixed = TwelveHour();
    prefixed.shortTimePicture = "tt hh'h'mm";
    prefixed.amDesignator = "\xec\x98\xa4\xec\xa0\x84";  // a designator of several bytes
    EXPECT_EQ(FormatShortTime(prefixed, 7, 45), "\xec\x98\xa4\xec\xa0\x84 07h45");
}

TEST(ParseTimeOfDay, TwentyFourHourTimes)
{
    const RegionalFormats formats;
    EXPECT_EQ(ParseTimeOfDay(formats, "09:00"), 0.375);
    EXPECT_EQ(ParseTimeOfDay(formats, "9:00"), 0.375);
    EXPECT_EQ(ParseTimeOfDay(formats, "00:00"), 0.0);
    EXPECT_EQ(ParseTimeOfDay(formats, "17:00"), 17.0 / 24.0);
    EXPECT_EQ(ParseTimeOfDay(formats, "23:59:59"), TimeOfDayFraction(23, 59, 59, 0));
    EXPECT_EQ(ParseTimeOfDay(formats, "12:00:00.500"), TimeOfDayFraction(12, 0, 0, 500));
    EXPECT_EQ(ParseTimeOfDay(formats, " 9 : 05 "), TimeOfDayFraction(9, 5, 0, 0));
    EXPECT_EQ(ParseTimeOfDay(formats, "7"), TimeOfDayFraction(7, 0, 0, 0));
}

TEST(ParseTimeOfDay, DesignatorsBeforeOrAfterInAnyCase)
{
    const RegionalFormats formats = TwelveHour();
    EXPECT_EQ(ParseTimeOfDay(formats, "1:30 PM"), TimeOfDayFraction(13, 30, 0, 0));
    EXPECT_EQ(ParseTimeOfDay(formats, "12:00 AM"), 0.0);
    EXPECT_EQ(ParseTimeOfDay(formats, "12:15 pm"), TimeOfDayFraction(12, 15, 0, 0));
    EXPECT_EQ(ParseTimeOfDay(formats, "PM 11:59"), TimeOfDayFraction(23, 59, 0, 0));
    RegionalFormats local = formats;
    local.amDesignator = "vorm.";
    local.pmDesignator = "nachm.";
    EXPECT_EQ(ParseTimeOfDay(local, "3:00 nachm."), TimeOfDayFraction(15, 0, 0, 0));
    EXPECT_EQ(ParseTimeOfDay(local, "3:00 PM"), TimeOfDayFraction(15, 0, 0, 0));  // English always read
}

TEST(ParseTimeOfDay, RejectsWhatIsNotATime)
{
    const RegionalFormats formats;
    for (const char* text : {"", "   ", "24:00", "12:60", "1:2:60", "ab", "9:", "09:00 x", "13:00 PM",
                             "9.00", "-1:00", "12345:00", "1::2", "PM", "PM 1:00 AM"})
        EXPECT_EQ(ParseTimeOfDay(formats, text), std::nullopt) << text;
    EXPECT_EQ(ParseTimeOfDay(Dotted24(), "09.00"), 0.375);
    EXPECT_EQ(ParseTimeOfDay(Dotted24(), "09:00"), 0.375);  // written before the separator changed
    EXPECT_EQ(ParseTimeOfDay(Dotted24(), "09,00"), std::nullopt);
}

TEST(ParseTimeOfDay, EveryFormattedQuarterHourReadsBack)
{
    for (const RegionalFormats& formats : {RegionalFormats{}, TwelveHour(), Dotted24()})
        for (int minutes = 0; minutes < 24 * 60; minutes += 15)
            EXPECT_EQ(ParseTimeOfDay(formats, FormatShortTime(formats, minutes / 60, minutes % 60)),
                      TimeOfDayFraction(minutes / 60, minutes % 60, 0, 0))
                << formats.shortTimePicture << " " << minutes;
}

TEST(DateTimeValue, DaysSinceThirtiethOfDecember1899)
{
    EXPECT_EQ(DayNumber(1899, 12, 30), 0);
    EXPECT_EQ(DayNumber(1900, 1, 1), 2);
    EXPECT_EQ(DayNumber(2000, 1, 1), 36526);
    EXPECT_EQ(DayNumber(2026, 12, 8), 46364);
    EXPECT_EQ(DayNumber(1900, 3, 1), 61);  // 1900 was no leap year
    EXPECT_DOUBLE_EQ(ToDateTimeValue({2000, 1, 1, 18, 0, 0, 0}), 36526.75);
}

TEST(DateTimeValue, RoundTripsToTheMillisecondAndClampsNonsense)
{
    const LocalTime samples[] = {{2026, 12, 8, 23, 59, 59, 999}, {2024, 2, 29, 0, 0, 0, 0}, {1999, 12, 31, 12, 34, 56, 789}};
    for (const LocalTime& t : samples)
        EXPECT_EQ(FromDateTimeValue(ToDateTimeValue(t)), t);
    EXPECT_EQ(FromDateTimeValue(-5.5), (LocalTime{1899, 12, 30, 0, 0, 0, 0}));
    EXPECT_EQ(FromDateTimeValue(1e300).year, 9999);
    EXPECT_EQ(FromDateTimeValue(std::nan("")).year, 1899);
}

TEST(LocalFromUtc, DaylightSavingRulesOfBothHemispheresAndOfOneYear)
{
    TimeZoneRules europe;  // UTC+1, summer time from the last Sunday of March to the last of October
    europe.bias = -60;
    europe.daylightBias = -60;
    europe.daylightDate = {0, 3, 0, 5, 0, 2, 0, 0, 0};
    europe.standardDate = {0, 10, 0, 5, 0, 3, 0, 0, 0};
    TimeZoneRules sydney;  // UTC+10, summer time from the first Sunday of October to the first of April
    sydney.bias = -600;
    sydney.daylightBias = -60;
    sydney.daylightDate = {0, 10, 0, 1, 0, 2, 0, 0, 0};
    sydney.standardDate = {0, 4, 0, 1, 0, 3, 0, 0, 0};
    TimeZoneRules onlyIn2026 = europe;  // rules stated for one year apply to that year alone
    onlyIn2026.daylightDate.year = onlyIn2026.standardDate.year = 2026;
    onlyIn2026.daylightDate.day = 29;
    onlyIn2026.standardDate.day = 25;
    struct Case {
        const TimeZoneRules& rules;
        LocalTime utc, local;
    };
    const Case cases[] = {
        {europe, {2026, 3, 29, 0, 59, 59, 999}, {2026, 3, 29, 1, 59, 59, 999}},
        {europe, {2026, 3, 29, 1, 0, 0, 0}, {2026, 3, 29, 3, 0, 0, 0}},
        {europe, {2026, 10, 25, 0, 59, 59, 0}, {2026, 10, 25, 2, 59, 59, 0}},
        {europe, {2026, 10, 25, 1, 0, 0, 0}, {2026, 10, 25, 2, 0, 0, 0}},
        {europe, {2026, 12, 31, 23, 30, 0, 0}, {2027, 1, 1, 0, 30, 0, 0}},
        {sydney, {2027, 1, 15, 12, 0, 0, 0}, {2027, 1, 15, 23, 0, 0, 0}},
        {sydney, {2027, 7, 15, 12, 0, 0, 0}, {2027, 7, 15, 22, 0, 0, 0}},
        {sydney, {2026, 10, 3, 16, 0, 0, 0}, {2026, 10, 4, 3, 0, 0, 0}},
        {onlyIn2026, {2026, 7, 1, 12, 0, 0, 0}, {2026, 7, 1, 14, 0, 0, 0}},
        {onlyIn2026, {2027, 7, 1, 12, 0, 0, 0}, {2027, 7, 1, 13, 0, 0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LocalFromUtc(MillisecondsSince1601(c.utc), c.rules), c.local)
            << c.utc.year << "-" << c.utc.month << "-" << c.utc.day << " " << c.utc.hour << ":" << c.utc.minute;
}

}  // namespace
}  // namespace vardex
