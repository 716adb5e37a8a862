#pragma once
// The geometry of the prompts built in code (the unlock prompt and the password input dialog),
// from the layout units of their font: X, the average width of the letters A-Z and a-z, and Y,
// their height.
namespace vardex {

struct LayoutRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const LayoutRect&) const = default;
};

struct PromptLayout {
    int clientWidth = 0, clientHeight = 0;
    LayoutRect label, edit, ok, cancel, off;
};

// a * b / c with a 64-bit intermediate, rounded half away from zero; -1 when c is 0 or the
// result does not fit in 32 bits.
int DialogMulDiv(int a, int b, int c) noexcept;

// The units X and Y of a font whose 52 letters "A".."Z""a".."z" measure width x height pixels.
int LayoutUnitX(int lettersWidth) noexcept;

// Which row of buttons: OK, Cancel and "Off" 4 pixels apart (the unlock prompt), or OK and
// Cancel 8 pixels apart (the input dialog; off is then empty).
enum class PromptButtons { OkCancelOff, OkCancel };

// The label keeps the size its text needs: the prompt grows around a label wider than its 180
// units (less the margins) or taller than a line of Y.
PromptLayout ComputePromptLayout(int unitX, int unitY, int labelWidth, int labelHeight, int editHeight,
                                 PromptButtons buttons = PromptButtons::OkCancelOff) noexcept;

}  // namespace vardex
