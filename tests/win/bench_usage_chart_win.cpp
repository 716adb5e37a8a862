// Times the usage chart's drawing in its own window, in process (a paint asked for at once is
// drawn before the call returns), against a static control of the same size drawn the same way;
// run by hand under Wine or on Windows: bench_usage_chart_win [runs].
#include "common/DateTime.h"
#include "config/UsageChart_win.h"
#include "win/Dpi_win.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double Milliseconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The first drawing and the median of the next ones.
std::pair<double, double> TimeRedraws(HWND window, int runs)
{
    const auto redraw = [window] {
        const double started = Milliseconds();
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        return Milliseconds() - started;
    };
    const double first = redraw();
    std::vector<double> times(static_cast<size_t>(runs));
    for (double& time : times)
        time = redraw();
    std::sort(times.begin(), times.end());
    return {first, times[times.size() / 2]};
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    HWND frame = CreateWindowExW(0, L"Static", L"chart", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1000, 500, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    std::vector<vardex::UsageDay> days;
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::int32_t today = vardex::DayNumber(now.wYear, now.wMonth, now.wDay);
    for (std::int32_t day = today - 5 * 365; day <= today; ++day)
        days.push_back({day, static_cast<std::uint32_t>(day % 150), 120, 0, day % 9 == 0});
    // The page's chart at 96, 144 and 192 DPI, in the dialog font's sizes there.
    for (const int dpi : {96, 144, 192}) {
        const int width = vardex::ScaleForDpi(363, static_cast<UINT>(dpi)), height = vardex::ScaleForDpi(94, static_cast<UINT>(dpi));
        HWND placeholder = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, 0, width, height, frame, nullptr,
                                           GetModuleHandleW(nullptr), nullptr);
        HWND baseline = CreateWindowExW(0, L"Static", L"A static text of the same size", WS_CHILD | WS_VISIBLE, 0,
                                        height, width, height, frame, nullptr, GetModuleHandleW(nullptr), nullptr);
        const vardex::UniqueFont font(vardex::CreateUiFont(vardex::ScaleForDpi(11, static_cast<UINT>(dpi)), FW_NORMAL));
        vardex::UsageChartView chart;
        chart.Replace(placeholder);
        chart.SetFont(font.Get());
        chart.Show(days, today);
        SendMessageW(baseline, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
        const auto [chartFirst, chartMedian] = TimeRedraws(chart.Handle(), runs);
        const auto [staticFirst, staticMedian] = TimeRedraws(baseline, runs);
        std::printf("%d DPI, %dx%d: the chart drawn in %.2f ms (first %.2f ms); a static control %.2f ms (first %.2f ms)\n",
                    dpi, width, height, chartMedian, chartFirst, staticMedian, staticFirst);
        DestroyWindow(baseline);
    }
    DestroyWindow(frame);
    return 0;
}
