// Times the lock screen's status block in process at 4K (3840x2160, 96 DPI): the lock screen's
// own paint of a full-screen picture as the baseline, the same paint with the block on it (the
// block made, placed, its plate cached and drawn), and the tick's update of its text; run by hand
// under Wine or on Windows: bench_status_block_win [runs].
#include "service/StatusBlock_win.h"
#include "win/Picture_win.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

constexpr int kWidth = 3840, kHeight = 2160;

double Milliseconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(int runs, const std::function<void()>& work)
{
    std::vector<double> times(static_cast<size_t>(runs));
    for (double& time : times) {
        const double started = Milliseconds();
        work();
        time = Milliseconds() - started;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

vardex::DecodedImage picture;

LRESULT CALLBACK ScreenProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        const RECT all{0, 0, kWidth, kHeight};
        vardex::PaintPicture(dc, picture, all);
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    picture.width = kWidth;
    picture.height = kHeight;
    picture.pixels.resize(static_cast<size_t>(kWidth) * kHeight * 4);
    for (size_t i = 0; i < picture.pixels.size(); ++i)
        picture.pixels[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 24);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ScreenProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"BenchLockScreen";
    RegisterClassW(&windowClass);
    HWND screen = CreateWindowExW(0, L"BenchLockScreen", L"", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    const auto paintAll = [screen] { RedrawWindow(screen, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN); };
    paintAll();
    const double baseline = Median(runs, paintAll);

    vardex::StatusLines lines;
    lines.clock = "14:02";
    lines.date = "10/12/2026";
    lines.user = "anna";
    lines.standing = "1 h 20 min left today (until 15:22)";
    lines.hint = "Press any key or click to unlock";
    const RECT monitor{0, 0, kWidth, kHeight};
    const auto behind = [](HDC dc, const RECT& area) {
        const RECT all{-area.left, -area.top, kWidth - area.left, kHeight - area.top};
        const RECT visible{0, 0, area.right - area.left, area.bottom - area.top};
        vardex::PaintPicturePart(dc, picture, all, visible);
    };
    // What a session's start adds: the block made, placed, its plate cached, then everything painted.
    std::vector<std::unique_ptr<vardex::TStatusBlock>> blocks;
    double steps[4] = {};
    const double withBlock = Median(runs, [&] {
        double at = Milliseconds();
        const auto step = [&](int i) { const double now = Milliseconds(); steps[i] += now - at; at = now; };
        blocks.clear();
        blocks.push_back(std::make_unique<vardex::TStatusBlock>(screen, [](UINT) {}, behind));
        step(0);
        blocks.back()->SetLines(lines);
        blocks.back()->Place(monitor, 96);
        step(1);
        blocks.back()->Refresh();
        ShowWindow(blocks.back()->Handle(), SW_SHOWNA);
        step(2);
        paintAll();
        step(3);
    });
    std::printf("steps (mean): made %.2f, measured and placed %.2f, plate cached %.2f, painted %.2f ms\n",
                steps[0] / runs, steps[1] / runs, steps[2] / runs, steps[3] / runs);
    // The tick: a new minute, a new countdown.
    int minute = 0;
    const double tick = Median(runs * 5, [&] {
        lines.clock = "14:" + std::to_string(10 + minute % 50);
        lines.standing = std::to_string(1 + minute++ % 50) + " min left today (until 15:22)";
        blocks.back()->SetLines(lines);
        UpdateWindow(blocks.back()->Handle());
    });
    std::printf("lock screen painted at 4K, without the block (baseline): %.2f ms\n", baseline);
    std::printf("the same with the block made, placed and painted:        %.2f ms (+%.2f ms)\n", withBlock,
                withBlock - baseline);
    std::printf("a tick's update of the block (new text, painted):        %.3f ms\n", tick);
    return 0;
}
