#pragma once
// The statistics view's chart of a user's last days, drawn with GDI+ (anti-aliased lines and
// text) in the system's colours and the page's font, with the day under the pointer named in a
// tooltip. What goes where comes from UsageChart.h; this only draws it.
#include "UsageChart.h"
#include "win/UniqueHandle_win.h"
#include "win/Window_win.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vardex {

class UsageChartView final : public Window {
public:
    UsageChartView();
    ~UsageChartView() override;

    // Takes the place of the placeholder control (its rectangle and its id) in the page.
    void Replace(HWND placeholder);
    // The days to chart up to today; the chart is drawn anew.
    void Show(std::vector<UsageDay> days, std::int32_t today);
    void SetFont(HFONT font);
    // The language of its labels, tips and figures; the texts outlive the chart.
    void SpeakIn(const Texts& texts) noexcept { texts_ = &texts; }
    // The line of figures under the chart.
    std::string FiguresText() const;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC memory, const RECT& client);
    void Hover(int x, int y);
    void HideTip();

    ULONG_PTR gdiplus_ = 0;
    HFONT font_ = nullptr;
    HWND tip_ = nullptr;
    std::vector<UsageDay> days_;
    std::int32_t today_ = 0;
    ChartLayout layout_;  // as drawn last
    std::optional<std::size_t> hovered_;
    std::wstring tipText_;
    const Texts* texts_ = &EnglishTexts();
};

}  // namespace vardex
