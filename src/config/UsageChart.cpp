#include "UsageChart.h"

#include "common/DateTime.h"
#include "rules/WeekRules.h"

#include <algorithm>

namespace vardex {

namespace {
// Round steps of the value axis, in minutes.
constexpr std::uint32_t kTickSteps[] = {10, 15, 30, 60, 120, 180, 240, 360, 480, 720};
// The day steps between date labels: a label a day, every other day, then on Mondays.
constexpr int kLabelSteps[] = {1, 2, 7, 14};

struct Axis {
    std::uint32_t step = 60, top = 60;
};

// The step and the top of the value axis: the smallest round step that shows the largest value
// in no more intervals than there is room for.
Axis ValueAxis(std::uint32_t largest, int intervalsRoom)
{
    largest = std::max<std::uint32_t>(largest, 60);
    const auto room = static_cast<std::uint32_t>(std::clamp(intervalsRoom, 1, 5));
    for (const std::uint32_t step : kTickSteps)
        if ((largest + step - 1) / step <= room)
            return {step, (largest + step - 1) / step * step};
    const std::uint32_t last = kTickSteps[std::size(kTickSteps) - 1];
    const std::uint32_t step = ((largest + last - 1) / last + room - 1) / room * last;
    return {step, (largest + step - 1) / step * step};
}

std::string TickLabel(std::uint32_t minutes, std::uint32_t step, const Texts& texts)
{
    if (minutes == 0)
        return "0";
    return step < 60 ? texts.Format(TextId::SpanMinutes, {std::to_string(minutes)})
                     : texts.Format(TextId::SpanHours, {std::to_string(minutes / 60)});
}

std::string MonthShort(const LocalTime& date, const Texts& texts)
{
    return texts.Get(NthText(TextId::MonthShort1, date.month - 1));
}

// The days of the chart, oldest first, with their lines.
std::vector<ChartBar> DaysOf(const std::vector<UsageDay>& days, std::int32_t today)
{
    std::vector<ChartBar> bars(kChartDays);
    const std::int32_t first = today - kChartDays + 1;
    for (int i = 0; i < kChartDays; ++i) {
        bars[static_cast<size_t>(i)].day = first + i;
        bars[static_cast<size_t>(i)].weekend = WeekdayOf(first + i) >= 5;
    }
    for (const UsageDay& day : days)
        if (day.day >= first && day.day <= today)
            bars[static_cast<size_t>(day.day - first)].usage = day;
    return bars;
}

bool Labelled(std::int32_t day, std::int32_t today, int step)
{
    if (step < 7)
        return (today - day) % step == 0;
    // Weekly labels fall on Mondays, counted back from the newest one.
    const std::int32_t newestMonday = WeekStartOf(today, 0);
    return WeekdayOf(day) == 0 && (newestMonday - day) % step == 0;
}

// The labels of one step, centred under their bars and kept within the chart; nothing when two
// of them would touch.
std::optional<std::vector<ChartLabel>> LabelsAt(const ChartLayout& chart, std::int32_t today, int step,
                                                const ChartMetrics& metrics)
{
    const int gap = std::max(4, metrics.textHeight / 2);
    std::vector<ChartLabel> labels;
    int freeFrom = 0;
    for (const ChartBar& bar : chart.bars) {
        if (!Labelled(bar.day, today, step))
            continue;
        std::string text = ShortDate(bar.day, *metrics.texts);
        const int width = metrics.textWidth(text);
        const int centre = (bar.column.left + bar.column.right) / 2;
        const int left = std::clamp(centre - width / 2, 0, std::max(0, metrics.width - width));
        if (left < freeFrom)
            return std::nullopt;
        freeFrom = left + width + gap;
        labels.push_back({left, chart.plot.bottom + metrics.textHeight / 4, std::move(text)});
    }
    return labels;
}
}  // namespace

std::string ShortDate(std::int32_t day, const Texts& texts)
{
    const LocalTime date = FromDateTimeValue(day);
    return texts.Format(TextId::ChartShortDate, {std::to_string(date.day), MonthShort(date, texts)});
}

ChartLayout LayOutUsageChart(const std::vector<UsageDay>& days, std::int32_t today, const ChartMetrics& metrics)
{
    ChartLayout chart;
    chart.bars = DaysOf(days, today);
    const int text = std::max(1, metrics.textHeight), pad = std::max(2, text / 3);
    chart.plot.top = text / 2 + 1;
    chart.plot.bottom = std::max(chart.plot.top + 1, metrics.height - text - pad);
    const int plotHeight = chart.plot.bottom - chart.plot.top;

    std::uint32_t largest = 0;
    for (const ChartBar& bar : chart.bars)
        if (bar.usage)
            largest = std::max({largest, bar.usage->minutesUsed, bar.usage->minutesAllowed.value_or(0)});
    // A tick label and half of one again between two ticks.
    const Axis axis = ValueAxis(largest, plotHeight * 2 / (3 * text));
    int labelWidth = 0;
    for (std::uint32_t value = 0; value <= axis.top; value += axis.step) {
        chart.ticks.push_back({0, TickLabel(value, axis.step, *metrics.texts)});
        labelWidth = std::max(labelWidth, metrics.textWidth(chart.ticks.back().label));
    }
    chart.axisLabelRight = labelWidth + pad;
    chart.plot.left = chart.axisLabelRight + pad;
    chart.plot.right = std::max(chart.plot.left + kChartDays, metrics.width - pad);
    const auto yOf = [&](std::uint32_t minutes) {
        return chart.plot.bottom - static_cast<int>(std::int64_t{plotHeight} * std::min(minutes, axis.top) / axis.top);
    };
    for (size_t i = 0; i < chart.ticks.size(); ++i)
        chart.ticks[i].y = yOf(static_cast<std::uint32_t>(i) * axis.step);

    const int plotWidth = chart.plot.right - chart.plot.left;
    for (int i = 0; i < kChartDays; ++i) {
        ChartBar& bar = chart.bars[static_cast<size_t>(i)];
        bar.column = {chart.plot.left + plotWidth * i / kChartDays, chart.plot.top,
                      chart.plot.left + plotWidth * (i + 1) / kChartDays, chart.plot.bottom};
        const int inset = std::max(1, (bar.column.right - bar.column.left) / 6);
        bar.bar = {bar.column.left + inset, chart.plot.bottom, bar.column.right - inset, chart.plot.bottom};
        if (bar.usage) {
            bar.bar.top = yOf(bar.usage->minutesUsed);
            if (bar.usage->minutesAllowed)
                bar.allowedY = yOf(*bar.usage->minutesAllowed);
        }
        if (bar.weekend) {
            if (i > 0 && chart.bars[static_cast<size_t>(i - 1)].weekend)
                chart.weekends.back().right = bar.column.right;
            else
                chart.weekends.push_back(bar.column);
        }
    }
    for (const int step : kLabelSteps)
        if (std::optional<std::vector<ChartLabel>> labels = LabelsAt(chart, today, step, metrics)) {
            chart.dateLabels = std::move(*labels);
            break;
        }
    return chart;
}

std::optional<std::size_t> BarAt(const ChartLayout& chart, int x, int y)
{
    for (std::size_t i = 0; i < chart.bars.size(); ++i)
        if (chart.bars[i].column.Contains(x, y))
            return i;
    return std::nullopt;
}

std::string BarText(const ChartBar& bar, std::int32_t today, const Texts& texts)
{
    const LocalTime date = FromDateTimeValue(bar.day);
    const std::string weekday =
        texts.Get(bar.day == today ? TextId::ChartToday : NthText(TextId::WeekdayShort1, WeekdayOf(bar.day)));
    const std::string when = texts.Format(
        TextId::ChartDate, {weekday, std::to_string(date.day), MonthShort(date, texts), std::to_string(date.year)});
    if (!bar.usage)
        return texts.Format(TextId::ChartNoUse, {when});
    const auto span = [&texts](std::uint32_t minutes) { return SpanText(std::int64_t{minutes} * 60, texts); };
    std::string text = bar.usage->minutesAllowed
                           ? texts.Format(TextId::ChartUsedOf, {when, span(bar.usage->minutesUsed), span(*bar.usage->minutesAllowed)})
                           : texts.Format(TextId::ChartUsed, {when, span(bar.usage->minutesUsed)});
    if (bar.usage->minutesGranted)
        text += " " + texts.Format(TextId::ChartGranted, {span(bar.usage->minutesGranted)});
    return text + (bar.usage->expired ? ", " + texts.Get(TextId::ChartExpired) : "");
}

std::string UsageFiguresText(const ChartLayout& chart, const Texts& texts)
{
    std::uint64_t minutes = 0, granted = 0;
    int recorded = 0, expired = 0, grantDays = 0;
    for (const ChartBar& bar : chart.bars) {
        if (!bar.usage)
            continue;
        minutes += bar.usage->minutesUsed;
        ++recorded;
        expired += bar.usage->expired ? 1 : 0;
        granted += bar.usage->minutesGranted;
        grantDays += bar.usage->minutesGranted ? 1 : 0;
    }
    if (recorded == 0)
        return texts.Format(TextId::ChartNoUseDays, {std::to_string(kChartDays)});
    const auto dayCount = [&texts](int count) {
        return count == 1 ? texts.Get(TextId::ChartOneDay) : texts.Format(TextId::ChartDays, {std::to_string(count)});
    };
    const auto days = static_cast<std::uint64_t>(recorded);
    const auto average = static_cast<std::int64_t>((minutes + days / 2) / days);
    const std::string grants =
        grantDays == 0 ? std::string()
                       : texts.Format(TextId::ChartGrantedOn,
                                      {SpanText(static_cast<std::int64_t>(granted) * 60, texts), dayCount(grantDays)});
    return texts.Format(TextId::ChartFigures,
                        {SpanText(average * 60, texts), dayCount(recorded), dayCount(expired), grants});
}

}  // namespace vardex
