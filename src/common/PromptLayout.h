#pragma once
// The geometry of the prompts built in code (the unlock prompt and the password input dialog),
// from the layout units of their font: X, the average width of the letters A-Z and a-z, and Y,
// their height; and what their line of indicators shows.
#include <string>
#include <string_view>

namespace vardex {

struct LayoutRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const LayoutRect&) const = default;
};

struct PromptLayout {
    int clientWidth = 0, clientHeight = 0;
    LayoutRect label, edit, ok, cancel, off, more;
    // The line of indicators under the edit: the Caps Lock warning on the left, the keyboard
    // layout's short name on the right. Empty without the line.
    LayoutRect warning, keyboardLayout;
};

// The line of indicators as its texts measure: its height (none without the line), the warning's
// width, the layout name's width now and the width of the widest name it may show, which the
// prompt keeps room for so that it keeps its size when the layout changes.
struct PromptIndicatorLine {
    int height = 0, warningWidth = 0, layoutWidth = 0, widestLayoutWidth = 0;
};

inline constexpr const char* kCapsLockWarning = "Caps Lock is on";
// The widest short name of a layout: three capital letters of the widest.
inline constexpr const char* kWidestLayoutName = "WWW";

// The short name a keyboard layout shows as, from the ISO 639 name of its language ("en", "de",
// "haw"): in capitals; empty for a name that is not two or three letters.
std::string LayoutShortName(std::string_view iso639);

// a * b / c with a 64-bit intermediate, rounded half away from zero; -1 when c is 0 or the
// result does not fit in 32 bits.
int DialogMulDiv(int a, int b, int c) noexcept;

// The units X and Y of a font whose 52 letters "A".."Z""a".."z" measure width x height pixels.
int LayoutUnitX(int lettersWidth) noexcept;

// Which row of buttons: OK, Cancel and "Off" 4 pixels apart (the unlock prompt), the same with
// "More time…" after them (the unlock prompt while a restriction holds: the prompt widens for
// it), or OK and Cancel 8 pixels apart (the input dialog; off and more are then empty).
enum class PromptButtons { OkCancelOff, OkCancelOffMore, OkCancel };

// The label keeps the size its text needs: the prompt grows around a label wider than its 180
// units (less the margins) or taller than a line of Y. The line of indicators, where there is
// one, goes between the edit and the buttons: the prompt grows by its height and a gap, and
// widens where its texts need it; without it the layout is the classic one.
// The buttons are 50 units wide, or as wide as captionWidth (the widest caption and its
// margins) where that is more; the prompt widens for them.
PromptLayout ComputePromptLayout(int unitX, int unitY, int labelWidth, int labelHeight, int editHeight,
                                 PromptButtons buttons = PromptButtons::OkCancelOff,
                                 const PromptIndicatorLine& line = {}, int captionWidth = 0) noexcept;

// Where a window of this size goes centred in area (a monitor's work area, in screen
// coordinates); a window larger than the area keeps its top-left corner in it.
LayoutRect CentredIn(const LayoutRect& area, int width, int height) noexcept;

}  // namespace vardex
