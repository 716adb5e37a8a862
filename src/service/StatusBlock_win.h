#pragma once
// TStatusBlock: the lock screen's block of text on a monitor: the time, the date, who is locked,
// where they stand and how to unlock. A child of the lock screen, drawn in smooth text at its
// monitor's resolution on a soft plate over the picture (so it reads on any background), and in
// the system's colours under high contrast. Its window text is its lines, which is what a screen
// reader names it by.
#include "LockStatus.h"
#include "SecretPanel_win.h"
#include "win/UniqueHandle_win.h"
#include "win/Window_win.h"

#include <array>
#include <functional>
#include <string>

namespace vardex {

class TStatusBlock final : public Window {
public:
    // Mouse messages are handed to onMouse, as if they happened on the lock screen; paintBehind
    // paints what the lock screen shows in an area of its own (its coordinates) into a device
    // context whose origin is the area's.
    using BehindPainter = std::function<void(HDC dc, const RECT& area)>;

    TStatusBlock(HWND parent, MouseForward onMouse, BehindPainter paintBehind);

    // At the bottom left of the monitor (the lock screen's coordinates), below the panel's
    // area, sized to its text at the monitor's resolution.
    void Place(const RECT& monitor, UINT dpi);
    // Repaints only when a line changed: the tick calls it every three seconds.
    void SetLines(const StatusLines& lines);
    // The picture behind changed (shown, hidden, another one).
    void Refresh();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct Fonts {
        UniqueFont clock, text, strong;
    };
    struct Line {
        const std::string* text;
        HFONT font;
    };
    // Top to bottom, each in its font.
    std::array<Line, 5> Lines() const noexcept;
    // Each line that has text, in its font selected into dc, with its text and size.
    using LineVisit = std::function<void(const Line& line, const std::wstring& text, SIZE size)>;
    void ForEachLine(HDC dc, const LineVisit& visit) const;
    void MakeFonts(int scalePercent);
    SIZE Measure(HDC dc) const;
    void Layout();
    void CacheBehind();
    void Paint(HDC memory, const RECT& client);

    MouseForward onMouse_;
    BehindPainter paintBehind_;
    StatusLines lines_;
    Fonts fonts_;
    RECT monitor_{};
    UINT dpi_ = 96;
    RECT area_{};  // its place on the lock screen
    UniqueBitmap behind_;
};

}  // namespace vardex
