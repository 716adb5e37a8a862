#pragma once
// The statistics view's chart of a user's last days, as numbers and strings: a bar per day of
// the minutes used, a mark at the minutes allowed, weekends shaded, a value axis with round
// ticks, date labels that never overlap, and which day the pointer is over. The window only
// draws what this lays out, so that every decision here is tested without a screen.
#include "UsageHistory.h"
#include "common/Texts.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vardex {

inline constexpr int kChartDays = 30;

struct ChartRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Contains(int x, int y) const noexcept { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const ChartRect&) const = default;
};

// What the text is measured with: the font's line height and a text's width, in pixels; and the
// language of the labels.
struct ChartMetrics {
    int width = 0, height = 0;
    int textHeight = 13;
    std::function<int(const std::string&)> textWidth;
    const Texts* texts = &EnglishTexts();
};

struct ChartBar {
    std::int32_t day = 0;
    std::optional<UsageDay> usage;  // nothing: no line for the day
    ChartRect column;               // the day's whole column: what the pointer hovers over
    ChartRect bar;                  // the minutes used (empty without a line)
    std::optional<int> allowedY;    // the mark of the minutes allowed
    bool weekend = false;
};

struct ChartTick {
    int y = 0;
    std::string label;
};

struct ChartLabel {
    int left = 0, top = 0;
    std::string text;
};

struct ChartLayout {
    ChartRect plot;
    std::vector<ChartBar> bars;  // oldest first, today last
    std::vector<ChartTick> ticks;  // from 0 up
    std::vector<ChartLabel> dateLabels;
    std::vector<ChartRect> weekends;  // one per Saturday and Sunday run
    int axisLabelRight = 0;  // the value labels end here (right-aligned)
};

// The chart of the kChartDays days up to today from the days given (in any order; of two lines
// of one day, the later counts).
ChartLayout LayOutUsageChart(const std::vector<UsageDay>& days, std::int32_t today, const ChartMetrics& metrics);

// The bar whose column holds the point.
std::optional<std::size_t> BarAt(const ChartLayout& chart, int x, int y);
// What the hover says of a bar: "Tue 8 Dec 2026: 1 h 35 min of 2 h, expired".
std::string BarText(const ChartBar& bar, std::int32_t today, const Texts& texts);

// The line under the chart: the average over the days that have a line, and how many expired.
std::string UsageFiguresText(const ChartLayout& chart, const Texts& texts);

// "8 Dec".
std::string ShortDate(std::int32_t day, const Texts& texts);

}  // namespace vardex
