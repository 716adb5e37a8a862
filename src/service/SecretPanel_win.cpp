#include "SecretPanel_win.h"

#include "win/Dpi_win.h"

namespace vardex {

namespace {
constexpr UINT_PTR kScrollTimer = 1;
constexpr UINT kScrollIntervalMs = 40;  // 25 steps a second, one pixel each
}  // namespace

TSecretPanel::TSecretPanel(HWND parent, MouseForward onMouse) : onMouse_(std::move(onMouse))
{
    font_.Reset(CreateUiFont(19, FW_BOLD));
    CreateParams params;
    params.className = L"TSecretPanel";
    params.style = WS_CHILD | WS_CLIPSIBLINGS;
    params.parent = parent;
    params.background = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    Create(params);
}

void TSecretPanel::Place(int left, int top, int width, int height) noexcept
{
    SetWindowPos(Handle(), HWND_TOP, left, top, width, height, SWP_NOACTIVATE);
}

void TSecretPanel::SetLines(std::vector<std::wstring> lines)
{
    lines_ = std::move(lines);
    offset_ = 0;
    InvalidateRect(Handle(), nullptr, FALSE);
}

void TSecretPanel::SetTextColor(COLORREF color) noexcept
{
    color_ = color;
    InvalidateRect(Handle(), nullptr, FALSE);
}

void TSecretPanel::StartScrolling() noexcept
{
    scrolling_ = true;
    SetTimer(Handle(), kScrollTimer, kScrollIntervalMs, nullptr);
}

void TSecretPanel::StopScrolling() noexcept
{
    scrolling_ = false;
    KillTimer(Handle(), kScrollTimer);
}

void TSecretPanel::SetVisible(bool visible) noexcept
{
    ShowWindow(Handle(), visible ? SW_SHOWNA : SW_HIDE);
}

void TSecretPanel::Advance() noexcept
{
    RECT client;
    GetClientRect(Handle(), &client);
    const int textHeight = lineHeight_ * static_cast<int>(lines_.size());
    // The block enters at the bottom and starts again once its last line has left the top.
    if (++offset_ > client.bottom + textHeight)
        offset_ = 0;
    InvalidateRect(Handle(), nullptr, FALSE);
}

void TSecretPanel::Paint(HDC memory, const RECT& client)
{
    FillRect(memory, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    const SelectedObject selectedFont(memory, font_.Get());
    TEXTMETRICW metrics;
    GetTextMetricsW(memory, &metrics);
    lineHeight_ = metrics.tmHeight + metrics.tmExternalLeading;
    SetBkMode(memory, TRANSPARENT);
    ::SetTextColor(memory, color_);
    int top = client.bottom - offset_;
    for (const std::wstring& line : lines_) {
        RECT row{0, top, client.right, top + lineHeight_};
        DrawTextW(memory, line.c_str(), static_cast<int>(line.size()), &row, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
        top += lineHeight_;
    }
}

std::optional<LRESULT> AnswerAsLockScreenPart(UINT message, const MouseForward& onMouse)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_SETCURSOR:
        SetCursor(nullptr);
        return TRUE;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_MOUSEMOVE:
        onMouse(message);
        return 0;
    default:
        return std::nullopt;
    }
}

LRESULT TSecretPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (const std::optional<LRESULT> answer = AnswerAsLockScreenPart(message, onMouse_))
        return *answer;
    switch (message) {
    case WM_PAINT:
        // Off screen first, so the scrolling does not flicker.
        return PaintBufferedWith([this](HDC memory, const RECT& client) { Paint(memory, client); });
    case WM_TIMER:
        if (wParam == kScrollTimer && scrolling_)
            Advance();
        return 0;
    default:
        return DefaultHandling(message, wParam, lParam);
    }
}

}  // namespace vardex
