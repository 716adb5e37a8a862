#pragma once
// The User page's list of allowed periods as the administrator edits it: each period's text
// ("08:00 - 12:30") and check mark, one selected item, and the list kept in order of start
// time. Times are written and read with the formats the lock service reads schedules with.
#include "Schedule.h"
#include "common/TimeFormat.h"

#include <optional>
#include <string>
#include <vector>

namespace vardex {

struct ClockTime {
    int hour = 0, minute = 0, second = 0;
    bool operator==(const ClockTime&) const = default;
};

inline constexpr const char* kInvalidPeriodMessage = "Invalid time period!";

class ScheduleList {
public:
    explicit ScheduleList(RegionalFormats formats) : formats_(std::move(formats)) {}
    const RegionalFormats& Formats() const noexcept { return formats_; }

    // The periods of a schedule text, sorted; nothing selected.
    void Load(std::string_view scheduleText);
    std::string Text() const { return EncodeSchedule(items_); }

    const std::vector<SchedulePeriod>& Items() const noexcept { return items_; }
    std::optional<size_t> Selected() const noexcept { return selected_; }
    void Select(std::optional<size_t> index) noexcept;
    void SetChecked(size_t index, bool checked);

    // A time as the list writes it: the short time format, without seconds.
    std::string NormalizeTime(const ClockTime& time) const;
    // The period's text, or nothing when its two times are the same ("Invalid time period!").
    std::optional<std::string> PeriodText(const ClockTime& from, const ClockTime& till) const;
    // The selected period's two times for editing; a time that cannot be read is 00:00.
    std::pair<ClockTime, ClockTime> SelectedTimes() const;
    // Whether the period's times can be read (one that cannot is shown as stored, marked).
    bool IsReadable(size_t index) const;

    // A new period: appended, checked, selected, then the list sorted.
    void Add(const std::string& periodText);
    // The selected period takes the text and is checked, then the list sorted; false without a
    // selection.
    bool Edit(const std::string& periodText);
    // The selected period goes; the item now at its place, or the new last one, is selected.
    bool Remove();

private:
    void Sort();
    std::optional<double> StartOf(const SchedulePeriod& period) const;

    RegionalFormats formats_;
    std::vector<SchedulePeriod> items_;
    std::optional<size_t> selected_;
};

}  // namespace vardex
