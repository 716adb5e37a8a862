#pragma once
// The week as the administrator paints it on the User page: 7 weekdays by 48 half-hours. Each
// day keeps its allowed time exactly, as sorted, merged stretches of seconds within the calendar
// day, so that a stored "16:15-17:05" comes out as it went in unless it is painted over; the
// half-hour cells are only how that time is shown and edited.
#include "rules/WeekRules.h"
#include "common/Texts.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vardex {

inline constexpr int kGridDays = 7;
inline constexpr int kGridSlots = 48;
inline constexpr std::int32_t kSlotSeconds = kSecondsPerDay / kGridSlots;

// A set of weekdays: bit d for day d (0 Monday ... 6 Sunday).
using DayMask = unsigned;
inline constexpr DayMask kEveryDay = 0x7F, kMondayToFriday = 0x1F, kSaturdayAndSunday = 0x60;
inline constexpr DayMask DayBit(int day) noexcept
{
    return 1u << day;
}

enum class CellState { Forbidden, Partly, Allowed };

// Period lists per weekday, Monday first.
using WeekPeriods = std::array<std::vector<DayPeriod>, kGridDays>;

class WeekGrid {
public:
    // Replaces the week. A period that crosses midnight puts its morning part on the next day
    // (Sunday's on Monday); periods of one day may overlap.
    void Load(const WeekPeriods& week);
    // The week with no period crossing midnight; a stretch till the day's end ends at 86400.
    WeekPeriods Periods() const { return days_; }
    const std::vector<DayPeriod>& DayPeriods(int day) const { return days_.at(static_cast<std::size_t>(day)); }

    CellState Cell(int day, int slot) const;

    // The edits; each tells whether anything changed. Days and half-hours are inclusive and may
    // come in either order, as a drag makes them.
    bool SetRectangle(int dayA, int dayB, int slotA, int slotB, bool allowed);
    bool SetCells(DayMask days, int slotA, int slotB, bool allowed);
    // An allowed cell becomes forbidden; a partly or forbidden one allowed.
    bool Toggle(int day, int slot);
    // A day's time from periods as a day's text gives them (a till of 0 after its from is the
    // day's end; nothing runs on into the next day).
    bool SetDay(int day, const std::vector<DayPeriod>& periods);
    bool CopyDay(int from, DayMask to);
    bool Clear(DayMask days = kEveryDay);

    bool operator==(const WeekGrid&) const = default;

private:
    bool Replace(int day, std::vector<DayPeriod> periods);

    WeekPeriods days_;
};

// "Monday 16:00–16:30, allowed"; dayName stands for the day (a localized name, say).
std::string CellName(const WeekGrid& grid, int day, int slot, std::string_view dayName, const Texts& texts);
std::string CellName(const WeekGrid& grid, int day, int slot);
const char* EnglishDayName(int day) noexcept;

// The grid's rows start at the first weekday of the regional settings (Sunday on a US system).
inline int DayOfRow(int row, int firstWeekday) noexcept
{
    return (firstWeekday + row) % kGridDays;
}
inline int RowOfDay(int day, int firstWeekday) noexcept
{
    return (day - firstWeekday + kGridDays) % kGridDays;
}
// The days shown on the rows from rowA to rowB (either order).
DayMask DaysOfRows(int rowA, int rowB, int firstWeekday) noexcept;

// Where things go in the control, from its size and its text's measures, in pixels.
struct GridMeasures {
    int width = 0, height = 0;
    int dayLabelWidth = 0;   // the widest weekday name
    int hourLabelWidth = 0;  // the widest hour label ("24")
    int textHeight = 0;
};

struct GridBox {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const GridBox&) const = default;
};

class GridLayout {
public:
    GridLayout() = default;
    explicit GridLayout(const GridMeasures& measures);

    // The cell of a row (as shown) and half-hour; neighbours share their edges.
    GridBox Cell(int row, int slot) const noexcept;
    GridBox Grid() const noexcept { return grid_; }
    GridBox DayLabel(int row) const noexcept;
    // The hour's label, centred on its line (hour 0 ... 24).
    GridBox HourLabel(int hour) const noexcept;
    // Hours between two labels: the smallest of 2, 3, 4, 6 or 12 at which they do not touch.
    int HourStep() const noexcept { return hourStep_; }
    int SlotLeft(int slot) const noexcept;
    int RowTop(int row) const noexcept;

    struct Place {
        int row = 0, slot = 0;
        bool operator==(const Place&) const = default;
    };
    // The cell under a point, or nothing; clamped, the nearest cell (for a drag gone outside).
    std::optional<Place> Hit(int x, int y) const noexcept;
    Place Nearest(int x, int y) const noexcept;

private:
    GridMeasures measures_;
    GridBox grid_;
    int hourStep_ = 2;
};

}  // namespace vardex
