#include "config/WeekGrid.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

constexpr std::int32_t At(int hours, int minutes = 0)
{
    return hours * 3600 + minutes * 60;
}

std::string Texts(const WeekPeriods& week)
{
    std::string text;
    for (const auto& day : week)
        text += FormatDayPeriods(day) + "|";
    return text;
}

TEST(WeekGrid, LoadKeepsOddMinutesAndSplitsPeriodsAtMidnight)
{
    struct Case {
        const char* what;
        WeekPeriods in;
        std::string out;
    } cases[] = {
        {"odd minutes, overlapping periods merged",
         {{{{At(16, 15), At(17, 5)}, {At(17), At(18, 1)}, {At(7, 10), At(7, 50)}}}},
         "07:10-07:50,16:15-18:01|||||||"},
        {"Friday night runs into Saturday; a till of 24:00 does not", {{{}, {}, {}, {}, {{At(22), At(2)}}, {{At(20), 0}}}},
         "||||22:00-24:00|00:00-02:00,20:00-24:00||"},
        {"Sunday night runs into Monday, meeting its own morning",
         {{{{At(1, 59), At(3)}}, {}, {}, {}, {}, {}, {{At(23, 30), At(2)}}}},
         "00:00-03:00||||||23:30-24:00|"},
        {"from equal to till is the whole day", {{{}, {{At(9), At(9)}}}}, "|00:00-24:00||||||"},
    };
    for (const Case& c : cases) {
        WeekGrid grid;
        grid.Load(c.in);
        EXPECT_EQ(Texts(grid.Periods()), c.out) << c.what;
        WeekGrid again;
        again.Load(grid.Periods());
        EXPECT_EQ(again, grid) << c.what << ": a second round trip changes nothing";
    }
}

TEST(WeekGrid, EditsPaintWholeHalfHoursAndSayWhetherAnythingChanged)
{
    WeekGrid grid;
    grid.Load({{{{At(16, 15), At(17, 5)}}}});  // Monday
    struct Step {
        const char* what;
        bool (*edit)(WeekGrid&);
        bool changed;
        std::string monday, tuesday;
    } steps[] = {
        {"a rectangle dragged up and left", [](WeekGrid& g) { return g.SetRectangle(1, 0, 35, 32, true); }, true,
         "16:00-18:00", "16:00-18:00"},
        {"the same again", [](WeekGrid& g) { return g.SetRectangle(0, 1, 32, 35, true); }, false, "16:00-18:00",
         "16:00-18:00"},
        {"a cell cleared inside", [](WeekGrid& g) { return g.Toggle(0, 33); }, true, "16:00-16:30,17:00-18:00",
         "16:00-18:00"},
        {"Tuesday copied to the working days", [](WeekGrid& g) { return g.CopyDay(1, kMondayToFriday); }, true,
         "16:00-18:00", "16:00-18:00"},
        {"the last half-hour", [](WeekGrid& g) { return g.SetCells(DayBit(0), 47, 47, true); }, true,
         "16:00-18:00,23:30-24:00", "16:00-18:00"},
        {"a day set from its text", [](WeekGrid& g) { return g.SetDay(1, *ParseDayPeriods("20:00-24:00")); }, true,
         "16:00-18:00,23:30-24:00", "20:00-24:00"},
        {"Monday cleared", [](WeekGrid& g) { return g.Clear(DayBit(0)); }, true, "", "20:00-24:00"},
        {"cleared again", [](WeekGrid& g) { return g.Clear(DayBit(0)); }, false, "", "20:00-24:00"},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(step.edit(grid), step.changed) << step.what;
        EXPECT_EQ(FormatDayPeriods(grid.DayPeriods(0)), step.monday) << step.what;
        EXPECT_EQ(FormatDayPeriods(grid.DayPeriods(1)), step.tuesday) << step.what;
    }
    EXPECT_EQ(FormatDayPeriods(grid.DayPeriods(4)), "16:00-18:00") << "Friday got the copy";
}

TEST(WeekGrid, CellsAndTheirNames)
{
    WeekGrid grid;
    grid.Load({{{{At(7, 10), At(7, 50)}, {At(16), At(16, 30)}}, {}, {}, {}, {}, {}, {{At(23, 30), 0}}}});
    struct Case {
        int day, slot;
        CellState state;
        const char* name;
    } cases[] = {
        {0, 32, CellState::Allowed, "Monday 16:00\u201316:30, allowed"},
        {0, 33, CellState::Forbidden, "Monday 16:30\u201317:00, not allowed"},
        {0, 14, CellState::Partly, "Monday 07:00\u201307:30, partly allowed"},
        {0, 15, CellState::Partly, "Monday 07:30\u201308:00, partly allowed"},
        {6, 47, CellState::Allowed, "Sunday 23:30\u201324:00, allowed"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(grid.Cell(c.day, c.slot), c.state) << c.name;
        EXPECT_EQ(CellName(grid, c.day, c.slot), c.name);
    }
    EXPECT_TRUE(grid.Toggle(0, 14)) << "a partly cell becomes allowed";
    EXPECT_EQ(FormatDayPeriods(grid.DayPeriods(0)), "07:00-07:50,16:00-16:30");
}

TEST(WeekGrid, RowsStartAtTheFirstWeekdayAndTheLayoutHitsItsOwnCells)
{
    EXPECT_EQ(DayOfRow(0, 6), 6) << "Sunday first";
    EXPECT_EQ(DayOfRow(1, 6), 0);
    EXPECT_EQ(RowOfDay(5, 6), 6);
    EXPECT_EQ(DaysOfRows(1, 0, 6), DayBit(6) | DayBit(0)) << "Sunday and Monday are neighbours there";

    struct Case {
        int width, hourStep;
    } cases[] = {{700, 2}, {260, 3}, {180, 4}};
    for (const Case& c : cases) {
        const GridLayout layout({c.width, 150, 30, 14, 13});
        EXPECT_EQ(layout.HourStep(), c.hourStep) << c.width;
        EXPECT_LE(layout.HourLabel(24).right, c.width) << "the last label is not cut";
        for (const auto& [row, slot] : {std::pair{0, 0}, {3, 17}, {6, 47}}) {
            const GridBox cell = layout.Cell(row, slot);
            EXPECT_EQ(layout.Hit((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2),
                      (GridLayout::Place{row, slot}))
                << c.width;
        }
        EXPECT_EQ(layout.Hit(5, 50), std::nullopt) << "the day labels are no cell";
        EXPECT_EQ(layout.Nearest(c.width + 50, -10), (GridLayout::Place{0, 47}));
    }
}

}  // namespace
}  // namespace vardex
