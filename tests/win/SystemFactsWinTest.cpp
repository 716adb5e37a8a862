#include "win/SystemFacts_win.h"
#include "common/DateTime.h"
#include "common/TimeFormat.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

TEST(SystemFactsWin, NtFamilyAndWindowsDirectoryWithTrailingBackslash)
{
    Win32SystemFacts system;
    EXPECT_EQ(system.PlatformId(), kPlatformWin32Nt);
    const std::string directory = system.WindowsDirectory();
    ASSERT_GT(directory.size(), 3u);
    EXPECT_EQ(directory.back(), '\\');
    EXPECT_NE(directory.substr(directory.size() - 2), "\\\\");
}

TEST(SystemFactsWin, RegionalShortTimeFormatReadsItsOwnTimesBack)
{
    Win32SystemFacts system;
    const RegionalFormats formats = system.Regional();
    EXPECT_FALSE(formats.timeSeparator.empty());
    EXPECT_FALSE(formats.dateSeparator.empty());
    EXPECT_FALSE(formats.shortTimePicture.empty());
    for (int minutes = 0; minutes < 24 * 60; minutes += 37) {
        const std::string text = FormatShortTime(formats, minutes / 60, minutes % 60);
        EXPECT_EQ(ParseTimeOfDay(formats, text), TimeOfDayFraction(minutes / 60, minutes % 60, 0, 0))
            << text << " with " << formats.shortTimePicture;
    }
}

TEST(SystemFactsWin, NamesCompareIgnoringTheCaseOfEveryLetter)
{
    Win32SystemFacts system;
    struct Case {
        const char *a, *b;
        bool same;
    };
    for (const Case& c : {Case{"user1", "USER1", true}, Case{"\xC3\xA9mile", "\xC3\x89mile", true},  // émile
                          Case{"\xCE\xB1\xCE\xB2", "\xCE\x91\xCE\x92", true},                     // Greek
                          Case{"\xD0\xB8\xD1\x8F", "\xD0\x98\xD0\xAF", true},                     // Cyrillic
                          Case{"emile", "\xC3\x89mile", false}, Case{"user", "user1", false}})
        EXPECT_EQ(system.SameNameIgnoringCase(c.a, c.b), c.same) << c.a << " / " << c.b;
    // Sorted by the same rule: an accented capital with its small letter, not after "z".
    EXPECT_EQ(system.CompareNamesIgnoringCase("\xC3\x89mile", "\xC3\xA9MILE"), 0);
    EXPECT_LT(system.CompareNamesIgnoringCase("\xC3\xA9mile", "\xC3\x89zra"), 0);
    EXPECT_LT(system.CompareNamesIgnoringCase("\xC3\x89mile", "zed"), 0);
    EXPECT_GT(system.CompareNamesIgnoringCase("Bob", "anna"), 0);
    // The system default locale's formats read their own times back like the user's.
    const RegionalFormats formats = system.SystemRegional();
    EXPECT_EQ(ParseTimeOfDay(formats, FormatShortTime(formats, 17, 5)), TimeOfDayFraction(17, 5, 0, 0));
}

}  // namespace
}  // namespace vardex
