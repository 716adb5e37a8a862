#include "FakeSystem.h"
#include "common/Errors.h"
#include "service/StatsLog.h"

#include <gtest/gtest.h>

#include <optional>

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

TEST(StatisticsLogLine, OnlyTheFormTheServiceWrites)
{
    for (const char* separator : {"/", ".", "h", "'/.", ". ", " ", "\xB7"}) {
        RegionalFormats formats;
        formats.dateSeparator = formats.timeSeparator = separator;
        for (const char* event : {kAccessPermitted, kAccessDenied, "Time Granted until 18:30 (code)"}) {
            const std::string line = FormatStatisticsLine({2026, 12, 8, 5, 40, 28, 0}, formats, event);
            EXPECT_TRUE(IsStatisticsLogLine(std::string_view(line).substr(0, line.size() - 2))) << line;
        }
    }
    EXPECT_TRUE(IsStatisticsLogLine("31-12-0000 23.59.59 Access Denied"));
    EXPECT_TRUE(IsStatisticsLogLine("01/01/9999 00:00:00 Access Permitted"));
    const std::optional<StatisticsEntry> grant = ParseStatisticsLogLine("08/12/2026 17:00:02 Time Granted 60 min (password)");
    ASSERT_TRUE(grant);
    EXPECT_TRUE(grant->granted && !grant->permitted);
    EXPECT_EQ(grant->event, "Time Granted 60 min (password)");
    const char* const refused[] = {
        // Nothing around or inside the line but its one blank between the parts.
        "", " 01/12/2026 05:40:28 Access Denied", "01/12/2026 05:40:28 Access Denied ",
        "01/12/2026 05:40:28 Access Denied\r", "01/12/2026 05:40:28 Access Denied\r\n01/12/2026 05:40:28 Access Denied",
        "01/12/2026  05:40:28 Access Denied", "01/12/2026 05:40:28 access denied", "01/12/2026 05:40:28 Access",
        "01/12/2026 05:40:28 Time Granted 60 min", "01/12/2026 05:40:28 Time Granted forever (code)",
        // Two digits a field, four the year's, plausible values.
        "1/12/2026 05:40:28 Access Denied", "01/12/226 05:40:28 Access Denied", "01/12/20266 05:40:28 Access Denied",
        "01/12/2026 5:40:28 Access Denied", "0a/12/2026 05:40:28 Access Denied", "+1/12/2026 05:40:28 Access Denied",
        "00/12/2026 05:40:28 Access Denied", "32/12/2026 05:40:28 Access Denied", "01/00/2026 05:40:28 Access Denied",
        "01/13/2026 05:40:28 Access Denied", "01/12/2026 24:00:00 Access Denied", "01/12/2026 23:60:00 Access Denied",
        "01/12/2026 23:00:60 Access Denied",
        // Separators: one to three characters, no digit, no control character, the same twice.
        "01122026 054028 Access Denied", "01/12.2026 05:40:28 Access Denied", "01/12/2026 05:40.28 Access Denied",
        "01//12/2026 05:40:28 Access Denied", "01////12////2026 05:40:28 Access Denied",
        "01\t12\t2026 05:40:28 Access Denied", "01\x7F" "12\x7F" "2026 05:40:28 Access Denied"};
    for (const char* line : refused)
        EXPECT_FALSE(IsStatisticsLogLine(line)) << line;
    EXPECT_FALSE(IsStatisticsLogLine(std::string_view("01/12/2026 05:40:28 Access Denied\0", 34)));
}

TEST(StatisticsLogFile, AppendingKeepsTheNewestWholeLinesUnderTheCap)
{
    constexpr std::uint64_t kCap = 24;  // written anew with at most 12 bytes
    const std::string a30(30, 'a');
    const struct {
        std::optional<std::string> before;  // nothing: no file
        std::string line;
        std::string after;
        bool unreadable = false, unreplaceable = false;
    } cases[] = {
        {std::nullopt, "new\r\n", "new\r\n"},
        {"1234567890123456789", "new\r\n", "1234567890123456789new\r\n"},  // exactly the cap
        {"aaaa\r\nbbbb\r\ncc\r\ndd\r\n", "new\r\n", "dd\r\nnew\r\n"},       // "cc" would be cut
        {"aaaaaaaaaaa\r\nx\r\nyy\r\n", "new\r\n", "x\r\nyy\r\nnew\r\n"},    // the window starts at "x"
        {"aaaaaaaaaaaa\r\nx\r\nyyy", "new\r\n", "x\r\nyyy\r\nnew\r\n"},     // ...at a LF; "yyy" had no end
        {a30, "new\r\n", "new\r\n"},
        {"aa\r\nbb\r\n", "0123456789abcdef\r\n", "0123456789abcdef\r\n"},
        // A file that cannot be read is never written anew with less than it held; one that
        // cannot be written anew still gets the line.
        {a30, "new\r\n", a30 + "new\r\n", true},
        {a30, "new\r\n", a30 + "new\r\n", false, true},
    };
    for (const auto& c : cases) {
        MemoryFileSystem files;
        if (c.before)
            files.files["log"] = *c.before;
        if (c.unreadable)
            files.unreadable["log"] = 32;
        if (c.unreplaceable)
            files.unreplaceable["log"] = 32;
        AppendToStatisticsLog(files, "log", c.line, kCap);
        EXPECT_EQ(files.files["log"], c.after) << c.before.value_or("(none)");
    }

    // The service's log at the real cap keeps its newest half, every line whole, the new one last.
    MemoryFileSystem files;
    FakeClock clock;
    std::string& bytes = files.files["log"];
    while (bytes.size() + 38 <= kStatisticsLogCap)
        bytes += FormatStatisticsLine(clock.Now(), {}, kAccessDenied);
    StatisticsLog(files, clock, "log", {}, nullptr).Write(true, kAccessPermitted);
    EXPECT_GT(bytes.size(), kStatisticsLogCap / 2 - 80);
    EXPECT_LE(bytes.size(), kStatisticsLogCap / 2);
    EXPECT_TRUE(bytes.ends_with("Access Permitted\r\n"));
    for (LineCursor lines(bytes); !lines.AtEnd();) {
        const std::string line = lines.Next();
        ASSERT_TRUE(IsStatisticsLogLine(line)) << line;
    }
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
