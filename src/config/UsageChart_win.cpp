#include "UsageChart_win.h"

#include "win/TextConvert_win.h"

#include <commctrl.h>

#include <algorithm>
// GDI+'s headers use min and max unqualified, and the COM types that WIN32_LEAN_AND_MEAN leaves out.
using std::max;
using std::min;
#include <objidl.h>
#include <gdiplus.h>

namespace vardex {

namespace {
constexpr UINT_PTR kTipId = 1;

Gdiplus::Color SystemColour(int index, BYTE alpha = 255)
{
    const COLORREF colour = GetSysColor(index);
    return Gdiplus::Color(alpha, GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

Gdiplus::RectF RectOf(const ChartRect& r)
{
    return {static_cast<Gdiplus::REAL>(r.left), static_cast<Gdiplus::REAL>(r.top),
            static_cast<Gdiplus::REAL>(r.right - r.left), static_cast<Gdiplus::REAL>(r.bottom - r.top)};
}

// Text measured and drawn the same way, on one line. (The typographic format's cached object is
// not in gdiplus.dll's exports, which the delay-loaded import reaches.)
class ChartText {
public:
    ChartText(Gdiplus::Graphics& graphics, HDC dc, HFONT font)
        : graphics_(graphics), font_(dc, font),
          format_(Gdiplus::StringFormatFlagsNoWrap | Gdiplus::StringFormatFlagsNoClip |
                  Gdiplus::StringFormatFlagsMeasureTrailingSpaces)
    {
        format_.SetTrimming(Gdiplus::StringTrimmingNone);
    }
    int Height() const { return static_cast<int>(font_.GetHeight(&graphics_) + 0.5f); }
    int Width(const std::string& text) const
    {
        const std::wstring wide = Widen(text);
        Gdiplus::RectF bounds;
        graphics_.MeasureString(wide.c_str(), static_cast<INT>(wide.size()), &font_, Gdiplus::PointF(0, 0), &format_,
                                &bounds);
        return static_cast<int>(bounds.Width + 0.99f);
    }
    void Draw(const std::string& text, float x, float y, const Gdiplus::Brush& brush)
    {
        const std::wstring wide = Widen(text);
        graphics_.DrawString(wide.c_str(), static_cast<INT>(wide.size()), &font_, Gdiplus::PointF(x, y), &format_,
                             &brush);
    }

private:
    Gdiplus::Graphics& graphics_;
    Gdiplus::Font font_;
    Gdiplus::StringFormat format_;
};
}  // namespace

UsageChartView::UsageChartView()
{
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&gdiplus_, &input, nullptr) != Gdiplus::Ok)
        gdiplus_ = 0;  // the chart stays blank; the figures still show
}

UsageChartView::~UsageChartView()
{
    if (tip_)
        DestroyWindow(tip_);
    if (gdiplus_)
        Gdiplus::GdiplusShutdown(gdiplus_);
}

void UsageChartView::Replace(HWND placeholder)
{
    HWND parent = GetParent(placeholder);
    RECT area{};
    GetWindowRect(placeholder, &area);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    const int id = GetDlgCtrlID(placeholder);
    DestroyWindow(placeholder);
    Create(ChildParams(L"VardexUsageChart", WS_CHILD | WS_VISIBLE, parent, area, id));

    tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = Handle();
    tool.uId = kTipId;
    tool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void UsageChartView::Show(std::vector<UsageDay> days, std::int32_t today)
{
    days_ = std::move(days);
    today_ = today;
    hovered_.reset();
    HideTip();
    InvalidateRect(Handle(), nullptr, FALSE);
}

void UsageChartView::SetFont(HFONT font)
{
    font_ = font;
    if (tip_)
        SendMessageW(tip_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    InvalidateRect(Handle(), nullptr, FALSE);
}

std::string UsageChartView::FiguresText() const
{
    // The figures do not depend on the chart's size.
    return UsageFiguresText(LayOutUsageChart(days_, today_, {kChartDays, kChartDays, 1, [](const std::string&) { return 0; }}),
                            *texts_);
}

LRESULT UsageChartView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    // Off the screen first, so that a new drawing never flickers.
    case WM_PAINT: return PaintBufferedWith([this](HDC memory, const RECT& client) { Paint(memory, client); });
    case WM_ERASEBKGND: return 1;  // the paint covers everything
    case WM_MOUSEMOVE: Hover(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))); return 0;
    case WM_MOUSELEAVE:
        hovered_.reset();
        HideTip();
        return 0;
    case WM_SIZE: InvalidateRect(Handle(), nullptr, FALSE); return 0;
    default: return Window::HandleMessage(message, wParam, lParam);
    }
}

void UsageChartView::Paint(HDC memory, const RECT& client)
{
    FillRect(memory, &client, GetSysColorBrush(COLOR_WINDOW));
    if (gdiplus_) {
        const HFONT font = font_ ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        Gdiplus::Graphics graphics(memory);
        graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
        ChartText text(graphics, memory, font);
        layout_ = LayOutUsageChart(days_, today_, {client.right, client.bottom, text.Height(),
                                                   [&text](const std::string& t) { return text.Width(t); }, texts_});
        const float line = std::max(1.0f, static_cast<float>(text.Height()) / 12.0f);
        const Gdiplus::SolidBrush shade(SystemColour(COLOR_GRAYTEXT, 40)), bars(SystemColour(COLOR_HIGHLIGHT)),
            ink(SystemColour(COLOR_WINDOWTEXT)), hover(SystemColour(COLOR_HIGHLIGHT, 48));
        for (const ChartRect& weekend : layout_.weekends)
            graphics.FillRectangle(&shade, RectOf(weekend));
        if (hovered_ && *hovered_ < layout_.bars.size())
            graphics.FillRectangle(&hover, RectOf(layout_.bars[*hovered_].column));
        const Gdiplus::Pen grid(SystemColour(COLOR_GRAYTEXT, 110), line);
        const float left = static_cast<float>(layout_.plot.left), right = static_cast<float>(layout_.plot.right);
        for (const ChartTick& tick : layout_.ticks) {
            const auto y = static_cast<float>(tick.y);
            graphics.DrawLine(&grid, left, y, right, y);
            text.Draw(tick.label, static_cast<float>(layout_.axisLabelRight - text.Width(tick.label)),
                      y - static_cast<float>(text.Height()) / 2, ink);
        }
        const Gdiplus::Pen allowed(SystemColour(COLOR_WINDOWTEXT), 2 * line);
        for (const ChartBar& bar : layout_.bars) {
            if (bar.bar.bottom > bar.bar.top)
                graphics.FillRectangle(&bars, RectOf(bar.bar));
            if (bar.allowedY) {
                const auto y = static_cast<float>(*bar.allowedY);
                graphics.DrawLine(&allowed, static_cast<float>(bar.column.left) + line, y,
                                  static_cast<float>(bar.column.right) - line, y);
            }
        }
        const Gdiplus::Pen axis(SystemColour(COLOR_WINDOWTEXT), line);
        graphics.DrawLine(&axis, left, static_cast<float>(layout_.plot.bottom), right, static_cast<float>(layout_.plot.bottom));
        for (const ChartLabel& label : layout_.dateLabels)
            text.Draw(label.text, static_cast<float>(label.left), static_cast<float>(label.top), ink);
    }
}

void UsageChartView::Hover(int x, int y)
{
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
    TrackMouseEvent(&track);
    const std::optional<std::size_t> bar = BarAt(layout_, x, y);
    if (bar == hovered_)
        return;
    hovered_ = bar;
    InvalidateRect(Handle(), nullptr, FALSE);
    if (!bar) {
        HideTip();
        return;
    }
    tipText_ = Widen(BarText(layout_.bars[*bar], today_, *texts_));
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = Handle();
    tool.uId = kTipId;
    tool.lpszText = tipText_.data();
    SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    SetWindowTextW(tip_, tipText_.c_str());  // what a screen reader (or a test) reads of it
    // Above the chart at the bar's column, so that the pointer does not hide it.
    const LRESULT bubble = SendMessageW(tip_, TTM_GETBUBBLESIZE, 0, reinterpret_cast<LPARAM>(&tool));
    POINT at{layout_.bars[*bar].column.left, 0};
    ClientToScreen(Handle(), &at);
    SendMessageW(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, std::max<LONG>(0, at.y - HIWORD(bubble))));
    SendMessageW(tip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

void UsageChartView::HideTip()
{
    if (!tip_)
        return;
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = Handle();
    tool.uId = kTipId;
    SendMessageW(tip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace vardex
