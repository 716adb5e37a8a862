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

std::string LayoutShortName(std::string_view iso639)
{
    if (iso639.size() < 2 || iso639.size() > 3)
        return {};
    std::string name;
    for (const char c : iso639) {
        if (c >= 'a' && c <= 'z')
            name += static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            name += c;
        else
            return {};
    }
    return name;
}

PromptLayout ComputePromptLayout(int x, int y, int labelWidth, int labelHeight, int editHeight,
                                 PromptButtons buttons, const PromptIndicatorLine& line, int captionWidth) noexcept
{
    PromptLayout layout;
    // 180 units wide, or wider where the label or the line of indicators needs it (their margins
    // and a gap of 2 X between the two indicators); whatever is below a label taller than a line
    // of the units moves down by the difference.
    const int width = std::max(DialogMulDiv(50, x, 4), captionWidth);
    const int height = DialogMulDiv(15, y, 8);
    const int count = buttons == PromptButtons::OkCancelOffMore ? 4 : buttons == PromptButtons::OkCancelOff ? 3 : 2;
    layout.clientWidth = std::max({DialogMulDiv(180, x, 4), labelWidth + 4 * x, count * width + (count - 1) * 8 + 4 * x});
    if (line.height > 0)
        layout.clientWidth = std::max(layout.clientWidth, line.warningWidth + line.widestLayoutWidth + 6 * x);
    const int lower = std::max(0, labelHeight - y);
    // The line keeps 3/8 Y from the edit, and the buttons as far from it as they were from the edit.
    const int gap = DialogMulDiv(3, y, 8);
    const int extra = line.height > 0 ? line.height + gap : 0;
    layout.clientHeight = DialogMulDiv(65, y, 8) + lower + extra;
    layout.label = {2 * x, y, labelWidth, labelHeight};
    layout.edit = {2 * x, DialogMulDiv(18, y, 8) + lower, layout.clientWidth - 4 * x, editHeight};
    if (line.height > 0) {
        const int top = layout.edit.top + editHeight + gap;
        layout.warning = {2 * x, top, line.warningWidth, line.height};
        layout.keyboardLayout = {layout.clientWidth - 2 * x - line.layoutWidth, top, line.layoutWidth, line.height};
    }

    const int top = layout.clientHeight - 3 * y;
    if (buttons == PromptButtons::OkCancel) {
        // Two buttons centred as a pair, 8 pixels apart.
        layout.ok = {DialogMulDiv(layout.clientWidth - 8, 1, 2) - width, top, width, height};
        layout.cancel = {DialogMulDiv(layout.clientWidth + 8, 1, 2), top, width, height};
        return layout;
    }
    if (buttons == PromptButtons::OkCancelOffMore) {
        // Four in one centred row, 4 pixels apart.
        const int left = (layout.clientWidth - (4 * width + 3 * 4)) / 2;
        layout.ok = {left, top, width, height};
        layout.cancel = {left + width + 4, top, width, height};
        layout.off = {left + 2 * (width + 4), top, width, height};
        layout.more = {left + 3 * (width + 4), top, width, height};
        return layout;
    }
    // Three buttons in one centred row, 4 pixels apart.
    const int middle = layout.clientWidth / 2;
    layout.ok = {middle - 4 - width - width / 2, top, width, height};
    layout.cancel = {middle - width / 2, top, width, height};
    layout.off = {middle + 4 + width / 2, top, width, height};
    return layout;
}

LayoutRect CentredIn(const LayoutRect& area, int width, int height) noexcept
{
    const int left = area.left + std::max(0, (area.width - width) / 2);
    const int top = area.top + std::max(0, (area.height - height) / 2);
    return {left, top, width, height};
}

}  // namespace vardex
