#include "StatusBlock_win.h"

#include "win/Dpi_win.h"
#include "win/TextConvert_win.h"

#include <algorithm>
#include <array>

namespace vardex {

namespace {
// Sizes at 96 DPI, in pixels.
constexpr int kClockHeight = 44;
constexpr int kTextHeight = 19;
constexpr int kPadding = 16;
constexpr int kLineGap = 4;
constexpr int kMargin = 32;   // from the monitor's edges
constexpr int kFeather = 12;  // the plate's soft edge
// How much of the picture shows through the plate, in 256ths.
constexpr int kPlateShade = 112;

bool HighContrast() noexcept
{
    HIGHCONTRASTW contrast{sizeof(contrast), 0, nullptr};
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

// The system's own face for messages: what the user reads everywhere else.
HFONT SmoothFont(int height, int weight) noexcept
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    LOGFONTW font{};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        font = metrics.lfMessageFont;
    else
        lstrcpynW(font.lfFaceName, L"MS Shell Dlg 2", LF_FACESIZE);
    font.lfHeight = -height;
    font.lfWidth = 0;
    font.lfWeight = weight;
    font.lfItalic = FALSE;
    font.lfQuality = ANTIALIASED_QUALITY;
    return CreateFontIndirectW(&font);
}

// Darkens the picture under the block, less towards its edges, so the plate has no hard border.
void ShadePlate(std::uint32_t* pixels, int width, int height, int feather) noexcept
{
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int edge = std::min(std::min(x, width - 1 - x), std::min(y, height - 1 - y));
            const int depth = std::min(edge, feather);
            const int keep = 256 - (256 - kPlateShade) * depth / std::max(feather, 1);
            std::uint32_t& pixel = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
            const auto channel = [&](int shift) { return (((pixel >> shift) & 0xFF) * static_cast<std::uint32_t>(keep) >> 8) << shift; };
            pixel = channel(16) | channel(8) | channel(0);
        }
    }
}
}  // namespace

TStatusBlock::TStatusBlock(HWND parent, MouseForward onMouse, BehindPainter paintBehind)
    : onMouse_(std::move(onMouse)), paintBehind_(std::move(paintBehind))
{
    CreateParams params;
    params.className = L"TStatusBlock";
    params.style = WS_CHILD | WS_CLIPSIBLINGS;
    params.parent = parent;
    Create(params);
}

void TStatusBlock::MakeFonts(int scalePercent)
{
    const auto size = [&](int pixels) { return std::max(ScaleForDpi(pixels, dpi_) * scalePercent / 100, 6); };
    fonts_.clock.Reset(SmoothFont(size(kClockHeight), FW_LIGHT));
    fonts_.text.Reset(SmoothFont(size(kTextHeight), FW_NORMAL));
    fonts_.strong.Reset(SmoothFont(size(kTextHeight), FW_BOLD));
}

std::array<TStatusBlock::Line, 5> TStatusBlock::Lines() const noexcept
{
    return {{{&lines_.clock, fonts_.clock.Get()},
             {&lines_.date, fonts_.text.Get()},
             {&lines_.user, fonts_.strong.Get()},
             {&lines_.standing, fonts_.text.Get()},
             {&lines_.hint, fonts_.text.Get()}}};
}

void TStatusBlock::ForEachLine(HDC dc, const LineVisit& visit) const
{
    for (const Line& line : Lines()) {
        if (line.text->empty())
            continue;
        const SelectedObject font(dc, line.font);
        const std::wstring text = Widen(*line.text);
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        visit(line, text, size);
    }
}

SIZE TStatusBlock::Measure(HDC dc) const
{
    SIZE all{0, 0};
    ForEachLine(dc, [&](const Line&, const std::wstring&, SIZE size) {
        all.cx = std::max(all.cx, size.cx);
        all.cy += size.cy + ScaleForDpi(kLineGap, dpi_);
    });
    const int padding = ScaleForDpi(kPadding, dpi_);
    return {all.cx + 2 * padding, all.cy + 2 * padding};
}

void TStatusBlock::Place(const RECT& monitor, UINT dpi)
{
    monitor_ = monitor;
    dpi_ = dpi;
    MakeFonts(100);
    Layout();
}

void TStatusBlock::Layout()
{
    // Below the panel's half of the screen and left of it: text that does not fit there is made
    // smaller, never cut.
    if (IsRectEmpty(&monitor_))
        return;  // not placed yet
    const int margin = ScaleForDpi(kMargin, dpi_);
    const int roomWidth = (monitor_.right - monitor_.left) / 2 - margin;
    const int roomHeight = (monitor_.bottom - monitor_.top) / 4 - margin;
    HDC screen = GetDC(Handle());
    SIZE size = Measure(screen);
    // The padding keeps its size: the fonts shrink a step at a time until the block fits.
    for (int percent = 95; (size.cx > roomWidth || size.cy > roomHeight) && percent >= 40; percent -= 5) {
        MakeFonts(percent);
        size = Measure(screen);
    }
    ReleaseDC(Handle(), screen);
    const RECT area{monitor_.left + margin, monitor_.bottom - margin - size.cy, monitor_.left + margin + size.cx,
                    monitor_.bottom - margin};
    const bool moved = !EqualRect(&area, &area_);
    area_ = area;
    if (moved) {
        SetWindowPos(Handle(), HWND_TOP, area_.left, area_.top, size.cx, size.cy, SWP_NOACTIVATE);
        CacheBehind();
    }
    InvalidateRect(Handle(), nullptr, FALSE);
}

void TStatusBlock::SetLines(const StatusLines& lines)
{
    if (lines.clock == lines_.clock && lines.date == lines_.date && lines.user == lines_.user &&
        lines.standing == lines_.standing && lines.hint == lines_.hint && lines.urgent == lines_.urgent)
        return;
    lines_ = lines;
    std::string name = lines_.user + "\n" + lines_.clock + " " + lines_.date;
    if (!lines_.standing.empty())
        name += "\n" + lines_.standing;
    name += "\n" + lines_.hint;
    SetWindowTextW(Handle(), Widen(name).c_str());
    // Measured again each time (a few text extents): the picture behind is cached again only
    // when the block's size changed.
    Layout();
}

void TStatusBlock::Refresh()
{
    CacheBehind();
    InvalidateRect(Handle(), nullptr, FALSE);
}

void TStatusBlock::CacheBehind()
{
    const int width = area_.right - area_.left, height = area_.bottom - area_.top;
    if (width <= 0 || height <= 0)
        return;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    behind_.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!behind_ || !bits)
        return;
    const UniqueMemoryDC memory(CreateCompatibleDC(nullptr));
    const SelectedObject selected(memory.Get(), behind_.Get());
    if (HighContrast()) {
        const RECT all{0, 0, width, height};
        FillRect(memory.Get(), &all, GetSysColorBrush(COLOR_WINDOW));
        return;
    }
    paintBehind_(memory.Get(), area_);
    GdiFlush();
    ShadePlate(static_cast<std::uint32_t*>(bits), width, height, ScaleForDpi(kFeather, dpi_));
}

void TStatusBlock::Paint(HDC memory, const RECT& client)
{
    if (behind_) {
        const UniqueMemoryDC source(CreateCompatibleDC(memory));
        const SelectedObject selected(source.Get(), behind_.Get());
        BitBlt(memory, 0, 0, client.right, client.bottom, source.Get(), 0, 0, SRCCOPY);
    } else {
        FillRect(memory, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    const bool contrast = HighContrast();
    const COLORREF ink = contrast ? GetSysColor(COLOR_WINDOWTEXT) : RGB(240, 244, 248);
    const COLORREF urgentInk = contrast ? GetSysColor(COLOR_WINDOWTEXT) : RGB(255, 196, 64);
    const int shadow = contrast ? 0 : std::max(1, ScaleForDpi(1, dpi_));
    SetBkMode(memory, TRANSPARENT);
    const int padding = ScaleForDpi(kPadding, dpi_);
    int top = padding;
    ForEachLine(memory, [&](const Line& line, const std::wstring& text, SIZE size) {
        const COLORREF colour = line.text == &lines_.standing && lines_.urgent ? urgentInk : ink;
        if (shadow) {
            ::SetTextColor(memory, RGB(0, 0, 0));
            TextOutW(memory, padding + shadow, top + shadow, text.c_str(), static_cast<int>(text.size()));
        }
        ::SetTextColor(memory, colour);
        TextOutW(memory, padding, top, text.c_str(), static_cast<int>(text.size()));
        top += size.cy + ScaleForDpi(kLineGap, dpi_);
    });
}

LRESULT TStatusBlock::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (const std::optional<LRESULT> answer = AnswerAsLockScreenPart(message, onMouse_))
        return *answer;
    switch (message) {
    case WM_PAINT:
        return PaintBufferedWith([this](HDC memory, const RECT& client) { Paint(memory, client); });
    case WM_SETTEXT:
        // What a reader reads is ours alone: another program's text would tell the user a lie.
        if (InSendMessage())
            return FALSE;
        return DefaultHandling(message, wParam, lParam);
    default:
        return DefaultHandling(message, wParam, lParam);
    }
}

}  // namespace vardex
