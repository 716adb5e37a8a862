// The usage history's lines and file, the chart laid out from it, and the CSV export of the
// statistics.
#include "config/CsvExport.h"
#include "config/UsageChart.h"
#include "config/UsageHistory.h"
#include "common/DateTime.h"

#include "FakeSystem.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

using test::MemoryFileSystem;

const std::int32_t kDay = DayNumber(2026, 12, 8);  // a Tuesday

TEST(UsageHistory, LinesRoundTripAndAnythingElseIsSkipped)
{
    for (const UsageDay& day : {UsageDay{kDay, 95, 120, 0, true}, UsageDay{DayNumber(2024, 2, 29), 0, std::nullopt, 15, false},
                                UsageDay{DayNumber(1999, 1, 1), 1440, 0, 0, false}})
        EXPECT_EQ(ParseUsageLine(UsageLine(day)), day) << UsageLine(day);
    EXPECT_EQ(UsageLine({kDay, 95, 120, 0, true}), "2026-12-08,95,120,0,1");
    EXPECT_EQ(UsageLine({kDay, 5, std::nullopt, 0, false}), "2026-12-08,5,,0,0");
    for (const char* bad : {"", kUsageHistoryHeader, "2026-12-08,95,120,0", "2026-12-08,95,120,0,1,", "2026-12-08,95,120,0,2",
                            "2026-13-08,95,120,0,1", "2025-02-29,1,,0,0", "2026-12-8,95,120,0,1", "2026-12-08,-5,120,0,1",
                            "2026-12-08,,120,0,1", "2026-12-08,95,12x,0,1", "2026-12-08,100000,,0,0", "2026-12-08, 95,,0,0"})
        EXPECT_FALSE(ParseUsageLine(bad)) << bad;

    // The header, a damaged line and a last line cut while written are left out.
    const std::string bytes = std::string(kUsageHistoryHeader) + "\r\n2026-12-07,10,,0,0\r\n\x01garbage\r\n" +
                              "2026-12-08,20,30,0,1\n2026-12-09,3";
    EXPECT_EQ(ReadUsageHistory(bytes),
              (std::vector<UsageDay>{{kDay - 1, 10, std::nullopt, 0, false}, {kDay, 20, 30, 0, true}}));
}

TEST(UsageHistory, TheFileStartsWithItsHeaderAndKeepsItWithinItsCap)
{
    MemoryFileSystem files;
    const std::string path = UsageHistoryPath("C:\\V\\", "Anna");
    EXPECT_EQ(path, "C:\\V\\Anna.usage.csv");
    const std::uint64_t cap = 200;
    for (std::int32_t day = kDay; day < kDay + 30; ++day)
        AppendUsageDay(files, path, {day, 60, 120, 0, false}, cap);
    const std::string& bytes = files.files[path];
    EXPECT_TRUE(bytes.starts_with(std::string(kUsageHistoryHeader) + "\r\n20"));
    EXPECT_LE(bytes.size(), cap);
    const std::vector<UsageDay> days = ReadUsageHistory(bytes);
    ASSERT_FALSE(days.empty());
    EXPECT_EQ(days.back().day, kDay + 29) << "the newest kept";
    EXPECT_EQ(bytes.size(), std::string(kUsageHistoryHeader).size() + 2 + days.size() * 23) << "whole lines only";
}

TEST(CsvExport, FieldsAreQuotedAsRfc4180AsksAndTheFilesCarryAByteOrderMark)
{
    const std::pair<const char*, const char*> fields[] = {
        {"anna", "anna"}, {"", ""}, {"a,b", "\"a,b\""}, {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""}, {"lf\n", "\"lf\n\""}, {"Zoë", "Zoë"}};
    for (const auto& [text, written] : fields)
        EXPECT_EQ(CsvField(text), written) << text;

    const std::vector<UserStatistics> users = {
        {"anna", "08/12/2026 05:40:28 Access Denied\r\nnot a log line\r\n08.12.2026 17.05.00 Access Permitted\r\n",
         {{kDay, 95, 120, 0, true}, {kDay + 1, 3, std::nullopt, 0, false}}},
        {"o,brien", "09/12/2026 07:00:00 Access Permitted", {}}};
    EXPECT_EQ(UnlockLogCsv(users), "\xEF\xBB\xBFuser,date,time,event\r\n"
                                   "anna,2026-12-08,05:40:28,Access Denied\r\n"
                                   "anna,2026-12-08,17:05:00,Access Permitted\r\n"
                                   "\"o,brien\",2026-12-09,07:00:00,Access Permitted\r\n");
    EXPECT_EQ(UsageCsv(users), "\xEF\xBB\xBFuser,date,minutes_used,minutes_allowed,minutes_granted,expired\r\n"
                               "anna,2026-12-08,95,120,0,1\r\n"
                               "anna,2026-12-09,3,,0,0\r\n");
    for (const auto& [chosen, usage] : {std::pair{"C:\\out\\Vardex statistics.csv", "C:\\out\\Vardex statistics usage.csv"},
                                        {"C:\\out.d\\stats", "C:\\out.d\\stats usage.csv"}, {"s.txt", "s usage.txt"}})
        EXPECT_EQ(UsageExportPath(chosen), usage);
}

// Text half as wide a character as it is high, as the dialog font is.
ChartMetrics Metrics(int width, int height, int textHeight = 13)
{
    return {width, height, textHeight, [textHeight](const std::string& text) {
                return static_cast<int>(text.size()) * textHeight / 2;
            }};
}

TEST(UsageChart, BarsTicksAndLabelsFitTheChartAtEverySize)
{
    std::vector<UsageDay> days;
    for (std::int32_t day = kDay - 40; day <= kDay; ++day)
        if (day % 3 != 0)
            days.push_back({day, static_cast<std::uint32_t>(day % 7 * 20), 100, 0, day % 5 == 0});
    for (const auto& [width, height, text] : {std::tuple{363, 97, 13}, {545, 146, 20}, {726, 194, 26}, {200, 60, 13}}) {
        const ChartLayout chart = LayOutUsageChart(days, kDay, Metrics(width, height, text));
        ASSERT_EQ(chart.bars.size(), static_cast<size_t>(kChartDays));
        EXPECT_EQ(chart.bars.back().day, kDay);
        int previousRight = chart.plot.left;
        for (const ChartBar& bar : chart.bars) {
            EXPECT_EQ(bar.usage.has_value(), bar.day % 3 != 0) << bar.day;
            EXPECT_GE(bar.column.left, previousRight) << "columns in order, apart";
            previousRight = bar.column.right;
            EXPECT_LE(bar.bar.top, bar.bar.bottom);
            EXPECT_GE(bar.bar.top, chart.plot.top);
            EXPECT_EQ(bar.weekend, bar.day % 7 == 0 || bar.day % 7 == 1) << "Saturdays and Sundays";
        }
        EXPECT_LE(chart.plot.right, width);
        EXPECT_LE(chart.plot.bottom + text, height);
        // Round ticks from 0 to at least the largest value (120 minutes), few of them.
        ASSERT_GE(chart.ticks.size(), 2u);
        EXPECT_LE(chart.ticks.size(), 6u);
        EXPECT_EQ(chart.ticks.front().label, "0");
        EXPECT_EQ(chart.ticks.front().y, chart.plot.bottom);
        EXPECT_GE(chart.ticks.back().y, chart.plot.top);
        // Labels inside the chart, none touching the next.
        ASSERT_FALSE(chart.dateLabels.empty()) << width;
        for (size_t i = 0; i < chart.dateLabels.size(); ++i) {
            const ChartLabel& label = chart.dateLabels[i];
            const int right = label.left + static_cast<int>(label.text.size()) * text / 2;
            EXPECT_GE(label.left, 0);
            EXPECT_LE(right, width);
            if (i + 1 < chart.dateLabels.size())
                EXPECT_LT(right, chart.dateLabels[i + 1].left) << label.text;
        }
        // The pointer over a column names its day; outside the plot, nothing.
        const ChartBar& last = chart.bars.back();
        EXPECT_EQ(BarAt(chart, last.column.left, chart.plot.bottom - 1), kChartDays - 1);
        EXPECT_FALSE(BarAt(chart, chart.plot.left - 1, chart.plot.top + 1));
    }
    // The values and their weekend runs, in numbers at one size.
    const ChartLayout chart = LayOutUsageChart(days, kDay, Metrics(363, 97));
    EXPECT_EQ(chart.weekends.size(), 4u) << "a shade per Saturday and Sunday together";
    EXPECT_EQ(chart.ticks.back().label, "2 h");
    const ChartBar& today = chart.bars.back();
    EXPECT_EQ(today.allowedY, chart.bars.back().bar.bottom - (chart.plot.bottom - chart.plot.top) * 100 / 120);
    EXPECT_EQ(BarText(today, kDay, EnglishTexts()), "Today 8 Dec 2026: 1 h of 1 h 40 min");
    EXPECT_EQ(BarText(chart.bars[0], kDay, EnglishTexts()), "Mon 9 Nov 2026: no use recorded");
}

TEST(UsageChart, TheFiguresAverageTheDaysRecordedAndCountTheExpiredOnes)
{
    const struct {
        std::vector<UsageDay> days;
        const char* figures;
    } cases[] = {
        {{}, "No use recorded in the last 30 days."},
        {{{kDay - 30, 500, 60, 0, true}}, "No use recorded in the last 30 days."},  // before the chart
        {{{kDay, 90, 60, 0, true}}, "Average 1 h 30 min a day over the 1 day recorded; time expired on 1 day."},
        {{{kDay - 29, 10, {}, 0, false}, {kDay - 2, 21, {}, 0, true}, {kDay - 1, 0, 60, 0, true}, {kDay - 1, 5, 60, 0, false}},
         "Average 12 min a day over the 3 days recorded; time expired on 1 day."},  // the later line of a day counts
        {{{kDay - 3, 60, 60, 15, true}, {kDay, 70, 60, 60, true}},
         "Average 1 h 5 min a day over the 2 days recorded; time expired on 2 days; 1 h 15 min granted on 2 days."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UsageFiguresText(LayOutUsageChart(c.days, kDay, Metrics(363, 97)), EnglishTexts()), c.figures);
}

}  // namespace
}  // namespace vardex
