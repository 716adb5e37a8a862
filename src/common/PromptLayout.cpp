#include "PromptLayout.h"

#include <algorithm>
#include <cstdint>

namespace vardex {

int DialogMulDiv(int a, int b, int c) noexcept
{
    if (c == 0)
        return -1;
    const std::int64_t product = std::int64_t{a} * b;
    const std::int64_t half = (c < 0 ? -std::int64_t{c} : c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t magnitude = ((product < 0 ? -product : product) + half) / (c < 0 ? -std::int64_t{c} : c);
    const std::int64_t result = negative ? -magnitude : magnitude;
    if (result > INT32_MAX || result < INT32_MIN)
        return -1;
    return static_cast<int>(result);
}

int LayoutUnitX(int lettersWidth) noexcept
{
    return lettersWidth / 52;
}

PromptLayout ComputePromptLayout(int x, int y, int labelWidth, int labelHeight, int editHeight,
                                 PromptButtons buttons) noexcept
{
    PromptLayout layout;
    // 180 units wide, or wider where the label needs it; whatever is below a label taller than a
    // line of the units moves down by the difference.
    layout.clientWidth = std::max(DialogMulDiv(180, x, 4), labelWidth + 4 * x);
    const int lower = std::max(0, labelHeight - y);
    layout.clientHeight = DialogMulDiv(65, y, 8) + lower;
    layout.label = {2 * x, y, labelWidth, labelHeight};
    layout.edit = {2 * x, DialogMulDiv(18, y, 8) + lower, layout.clientWidth - 4 * x, editHeight};

    const int width = DialogMulDiv(50, x, 4);
    const int height = DialogMulDiv(15, y, 8);
    const int top = layout.clientHeight - 3 * y;
    if (buttons == PromptButtons::OkCancel) {
        // Two buttons centred as a pair, 8 pixels apart.
        layout.ok = {DialogMulDiv(layout.clientWidth - 8, 1, 2) - width, top, width, height};
        layout.cancel = {DialogMulDiv(layout.clientWidth + 8, 1, 2), top, width, height};
        return layout;
    }
    // Three buttons in one centred row, 4 pixels apart.
    const int middle = layout.clientWidth / 2;
    layout.ok = {middle - 4 - width - width / 2, top, width, height};
    layout.cancel = {middle - width / 2, top, width, height};
    layout.off = {middle + 4 + width / 2, top, width, height};
    return layout;
}

}  // namespace vardex
