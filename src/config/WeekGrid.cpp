#include "WeekGrid.h"

#include <algorithm>
#include <utility>

namespace vardex {

namespace {


// Sorted, with overlapping and touching stretches joined and empty ones dropped.
std::vector<DayPeriod> Merged(std::vector<DayPeriod> stretches)
{
    std::sort(stretches.begin(), stretches.end(),
              [](const DayPeriod& a, const DayPeriod& b) { return a.from < b.from; });
    std::vector<DayPeriod> merged;
    for (const DayPeriod& s : stretches) {
        if (s.till <= s.from)
            continue;
        if (!merged.empty() && s.from <= merged.back().till)
            merged.back().till = std::max(merged.back().till, s.till);
        else
            merged.push_back(s);
    }
    return merged;
}

std::vector<DayPeriod> Without(const std::vector<DayPeriod>& stretches, DayPeriod cut)
{
    std::vector<DayPeriod> rest;
    for (const DayPeriod& s : stretches) {
        if (s.from < cut.from)
            rest.push_back({s.from, std::min(s.till, cut.from)});
        if (s.till > cut.till)
            rest.push_back({std::max(s.from, cut.till), s.till});
    }
    return rest;
}

std::int32_t Covered(const std::vector<DayPeriod>& stretches, DayPeriod span)
{
    std::int32_t seconds = 0;
    for (const DayPeriod& s : stretches)
        seconds += std::max(0, std::min(s.till, span.till) - std::max(s.from, span.from));
    return seconds;
}

// The part of a stored period on its own day.
DayPeriod OnItsDay(const DayPeriod& period)
{
    if (period.from == period.till)
        return {0, kSecondsPerDay};
    return {period.from, period.till < period.from ? kSecondsPerDay : period.till};
}

DayPeriod SlotSpan(int slotA, int slotB)
{
    return {std::min(slotA, slotB) * kSlotSeconds, (std::max(slotA, slotB) + 1) * kSlotSeconds};
}

bool ValidDay(int day) noexcept
{
    return day >= 0 && day < kGridDays;
}

bool ValidSlot(int slot) noexcept
{
    return slot >= 0 && slot < kGridSlots;
}

}  // namespace

void WeekGrid::Load(const WeekPeriods& week)
{
    WeekPeriods raw;
    for (int day = 0; day < kGridDays; ++day) {
        for (const DayPeriod& period : week[static_cast<std::size_t>(day)]) {
            raw[static_cast<std::size_t>(day)].push_back(OnItsDay(period));
            if (period.till < period.from)
                raw[static_cast<std::size_t>((day + 1) % kGridDays)].push_back({0, period.till});
        }
    }
    for (std::size_t day = 0; day < days_.size(); ++day)
        days_[day] = Merged(std::move(raw[day]));
}

CellState WeekGrid::Cell(int day, int slot) const
{
    const std::int32_t covered = Covered(DayPeriods(day), SlotSpan(slot, slot));
    return covered == 0 ? CellState::Forbidden : covered == kSlotSeconds ? CellState::Allowed : CellState::Partly;
}

bool WeekGrid::Replace(int day, std::vector<DayPeriod> periods)
{
    std::vector<DayPeriod>& kept = days_.at(static_cast<std::size_t>(day));
    if (kept == periods)
        return false;
    kept = std::move(periods);
    return true;
}

bool WeekGrid::SetRectangle(int dayA, int dayB, int slotA, int slotB, bool allowed)
{
    DayMask days = 0;
    for (int day = std::min(dayA, dayB); day <= std::max(dayA, dayB); ++day)
        days |= DayBit(day);
    return SetCells(days, slotA, slotB, allowed);
}

bool WeekGrid::SetCells(DayMask days, int slotA, int slotB, bool allowed)
{
    if (!ValidSlot(slotA) || !ValidSlot(slotB))
        return false;
    const DayPeriod span = SlotSpan(slotA, slotB);
    bool changed = false;
    for (int day = 0; day < kGridDays; ++day) {
        if (!(days & DayBit(day)))
            continue;
        std::vector<DayPeriod> periods = Without(DayPeriods(day), span);
        if (allowed)
            periods.push_back(span);
        changed |= Replace(day, Merged(std::move(periods)));
    }
    return changed;
}

bool WeekGrid::Toggle(int day, int slot)
{
    if (!ValidDay(day))
        return false;
    return SetCells(DayBit(day), slot, slot, Cell(day, slot) != CellState::Allowed);
}

bool WeekGrid::SetDay(int day, const std::vector<DayPeriod>& periods)
{
    if (!ValidDay(day))
        return false;
    std::vector<DayPeriod> stretches;
    for (const DayPeriod& period : periods)
        stretches.push_back(OnItsDay(period));
    return Replace(day, Merged(std::move(stretches)));
}

bool WeekGrid::CopyDay(int from, DayMask to)
{
    if (!ValidDay(from))
        return false;
    const std::vector<DayPeriod> copied = DayPeriods(from);
    bool changed = false;
    for (int day = 0; day < kGridDays; ++day)
        if (to & DayBit(day))
            changed |= Replace(day, copied);
    return changed;
}

bool WeekGrid::Clear(DayMask days)
{
    bool changed = false;
    for (int day = 0; day < kGridDays; ++day)
        if (days & DayBit(day))
            changed |= Replace(day, {});
    return changed;
}

const char* EnglishDayName(int day) noexcept
{
    return ValidDay(day) ? EnglishText(NthText(TextId::Weekday1, day)) : "";
}

std::string CellName(const WeekGrid& grid, int day, int slot, std::string_view dayName, const Texts& texts)
{
    static constexpr TextId kStates[] = {TextId::GridNotAllowed, TextId::GridPartlyAllowed, TextId::GridAllowed};
    return std::string(dayName) + ' ' + StretchText(SlotSpan(slot, slot)) + ", " +
           texts.Get(kStates[static_cast<int>(grid.Cell(day, slot))]);
}

std::string CellName(const WeekGrid& grid, int day, int slot)
{
    return CellName(grid, day, slot, EnglishDayName(day), EnglishTexts());
}

DayMask DaysOfRows(int rowA, int rowB, int firstWeekday) noexcept
{
    DayMask days = 0;
    for (int row = std::min(rowA, rowB); row <= std::max(rowA, rowB); ++row)
        days |= DayBit(DayOfRow(row, firstWeekday));
    return days;
}

GridLayout::GridLayout(const GridMeasures& measures) : measures_(measures)
{
    const int gap = std::max(2, measures.textHeight / 3);
    // The last hour's label is centred on the grid's right edge: half of it must fit beside.
    grid_.left = measures.dayLabelWidth + 2 * gap;
    grid_.top = measures.textHeight + gap;
    grid_.right = std::max(grid_.left + kGridSlots, measures.width - (measures.hourLabelWidth + 1) / 2 - 1);
    grid_.bottom = std::max(grid_.top + kGridDays, measures.height - 1);
    const int hourWidth = (grid_.right - grid_.left) * 2 / kGridSlots;
    hourStep_ = 12;
    for (const int step : {2, 3, 4, 6})
        if (step * hourWidth >= measures.hourLabelWidth + gap) {
            hourStep_ = step;
            break;
        }
}

int GridLayout::SlotLeft(int slot) const noexcept
{
    return grid_.left + slot * (grid_.right - grid_.left) / kGridSlots;
}

int GridLayout::RowTop(int row) const noexcept
{
    return grid_.top + row * (grid_.bottom - grid_.top) / kGridDays;
}

GridBox GridLayout::Cell(int row, int slot) const noexcept
{
    return {SlotLeft(slot), RowTop(row), SlotLeft(slot + 1), RowTop(row + 1)};
}

GridBox GridLayout::DayLabel(int row) const noexcept
{
    return {0, RowTop(row), grid_.left - std::max(2, measures_.textHeight / 3), RowTop(row + 1)};
}

GridBox GridLayout::HourLabel(int hour) const noexcept
{
    const int centre = SlotLeft(hour * 2);
    const int half = (measures_.hourLabelWidth + 1) / 2;
    return {centre - half, 0, centre + half + 1, measures_.textHeight};
}

std::optional<GridLayout::Place> GridLayout::Hit(int x, int y) const noexcept
{
    if (x < grid_.left || x >= grid_.right || y < grid_.top || y >= grid_.bottom)
        return std::nullopt;
    return Nearest(x, y);
}

GridLayout::Place GridLayout::Nearest(int x, int y) const noexcept
{
    Place place;
    while (place.slot + 1 < kGridSlots && x >= SlotLeft(place.slot + 1))
        ++place.slot;
    while (place.row + 1 < kGridDays && y >= RowTop(place.row + 1))
        ++place.row;
    return place;
}

}  // namespace vardex
