#include "FakeSystem.h"
#include "common/Errors.h"
#include "service/StatsLog.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

using test::FakeClock;
using test::MemoryFileSystem;

TEST(StatisticsLine, DateAndTimeWithTheRegionalSeparators)
{
    const LocalTime time{2026, 12, 8, 5, 40, 28, 999};
    EXPECT_EQ(FormatStatisticsLine(time, RegionalFormats{}, kAccessPermitted), "08/12/2026 05:40:28 Access Permitted\r\n");
    RegionalFormats dotted;
    dotted.dateSeparator = ".";
    dotted.timeSeparator = "h";
    EXPECT_EQ(FormatStatisticsLine({999, 1, 2, 23, 0, 9, 0}, dotted, kAccessDenied), "02.01.0999 23h00h09 Access Denied\r\n");
}

TEST(StatisticsLog, CreatesTheFileAndAppendsLinesInOrder)
{
    MemoryFileSystem files;
    FakeClock clock;
    StatisticsLog log(files, clock, "C:\\V\\.Default.log", {}, nullptr);
    log.Write(true, kAccessDenied);
    clock.Advance(60000);
    log.Write(true, kAccessPermitted);
    EXPECT_EQ(files.files["C:\\V\\.Default.log"],
              "08/12/2026 05:40:28 Access Denied\r\n08/12/2026 05:41:28 Access Permitted\r\n");
}

TEST(StatisticsLog, KeepsWhatTheFileHeldAndEncodesLines)
{
    MemoryFileSystem files;
    files.files["log"] = "old line\r\n";
    FakeClock clock;
    StatisticsLog log(files, clock, "log", {}, [](std::string_view line) { return "<" + std::string(line) + ">"; });
    log.Write(true, kAccessPermitted);
    EXPECT_EQ(files.files["log"], "old line\r\n<08/12/2026 05:40:28 Access Permitted\r\n>");
}

TEST(StatisticsLog, DisabledTouchesNothing)
{
    MemoryFileSystem files;
    FakeClock clock;
    StatisticsLog log(files, clock, "log", {}, nullptr);
    log.Write(false, kAccessPermitted);
    EXPECT_EQ(files.calls, 0);
}

TEST(StatisticsLog, UncreatableFileReportsFileNotFoundAndReadOnlyAccessDenied)
{
    MemoryFileSystem files;
    FakeClock clock;
    files.uncreatable.insert("a.log");
    StatisticsLog missing(files, clock, "a.log", {}, nullptr);
    EXPECT_THROW(
        try { missing.Write(true, kAccessDenied); } catch (const IoError& e) {
            EXPECT_STREQ(e.what(), "File not found");
            throw;
        },
        IoError);
    files.files["b.log"] = "";
    files.unwritable["b.log"] = 5;
    StatisticsLog readOnly(files, clock, "b.log", {}, nullptr);
    EXPECT_THROW(readOnly.Write(true, kAccessDenied), IoError);

    // A line the file refused goes to the fallback, encoded and without its end; only when that
    // refuses it too is the error raised.
    std::vector<std::string> keptElsewhere;
    bool keeperAccepts = true;
    StatisticsLog kept(files, clock, "b.log", {}, [](std::string_view line) { return "~" + std::string(line); },
                       [&](std::string_view line) {
                           keptElsewhere.emplace_back(line);
                           return keeperAccepts;
                       });
    EXPECT_NO_THROW(kept.Write(true, kAccessPermitted));
    keeperAccepts = false;
    EXPECT_THROW(kept.Write(true, kAccessDenied), IoError);
    EXPECT_EQ(keptElsewhere, (std::vector<std::string>{"~08/12/2026 05:40:28 Access Permitted",
                                                       "~08/12/2026 05:40:28 Access Denied"}));
    EXPECT_EQ(files.files["b.log"], "");
}

}  // namespace
}  // namespace vardex
