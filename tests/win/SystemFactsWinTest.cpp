#include "common/SystemFacts_win.h"
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

}  // namespace
}  // namespace vardex
