#include "common/PromptLayout.h"

#include <gtest/gtest.h>

#include <utility>

namespace vardex {
namespace {

TEST(MulDiv, RoundsHalfAwayFromZeroWithoutOverflow)
{
    EXPECT_EQ(DialogMulDiv(180, 6, 4), 270);
    EXPECT_EQ(DialogMulDiv(65, 13, 8), 106);   // 105.625
    EXPECT_EQ(DialogMulDiv(18, 13, 8), 29);    // 29.25
    EXPECT_EQ(DialogMulDiv(15, 12, 8), 23);    // 22.5 rounds up
    EXPECT_EQ(DialogMulDiv(-15, 12, 8), -23);
    EXPECT_EQ(DialogMulDiv(2000000000, 3, 2), -1);  // the result does not fit: -1, as the system's
    EXPECT_EQ(DialogMulDiv(2000000000, 3, 4), 1500000000);  // a large intermediate is fine
    EXPECT_EQ(DialogMulDiv(5, 5, 0), -1);
}

TEST(PromptLayout, ClassicSmallFontsGeometry)
{
    // 9-point MS Sans Serif at 96 dpi: X 6, Y 13.
    const PromptLayout layout = ComputePromptLayout(6, 13, 80, 13, 21);
    EXPECT_EQ(layout.clientWidth, 270);
    EXPECT_EQ(layout.clientHeight, 106);
    EXPECT_EQ(layout.label, (LayoutRect{12, 13, 80, 13}));
    EXPECT_EQ(layout.edit, (LayoutRect{12, 29, 270 - 24, 21}));
    EXPECT_EQ(layout.ok, (LayoutRect{135 - 4 - 75 - 37, 67, 75, 24}));
    EXPECT_EQ(layout.cancel, (LayoutRect{135 - 37, 67, 75, 24}));
    EXPECT_EQ(layout.off, (LayoutRect{135 + 4 + 37, 67, 75, 24}));

    // The input dialog: OK and Cancel centred as a pair, 8 pixels apart.
    const PromptLayout input = ComputePromptLayout(6, 13, 80, 13, 21, PromptButtons::OkCancel);
    EXPECT_EQ(input.ok, (LayoutRect{131 - 75, 67, 75, 24}));
    EXPECT_EQ(input.cancel, (LayoutRect{139, 67, 75, 24}));
    EXPECT_EQ(input.off, LayoutRect{});
}

TEST(PromptLayout, ButtonsStayFourPixelsApartAndInsideAtEveryScale)
{
    for (int x = 4; x <= 20; ++x)
        for (int y = 8; y <= 40; y += 3) {
            const PromptLayout l = ComputePromptLayout(x, y, 10 * x, y, y + 8);
            EXPECT_EQ(l.cancel.left - (l.ok.left + l.ok.width), 4) << x << "," << y;
            // Halving an odd width loses a pixel on the right-hand gap.
            EXPECT_EQ(l.off.left - (l.cancel.left + l.cancel.width), 4 - l.ok.width % 2) << x << "," << y;
            EXPECT_GE(l.ok.left, 0);
            EXPECT_LE(l.off.left + l.off.width, l.clientWidth);
            EXPECT_GT(l.ok.top, l.edit.top + l.edit.height - y);
            EXPECT_LE(l.ok.top + l.ok.height, l.clientHeight);
        }
}

TEST(PromptLayout, TheLabelKeepsTheSizeOfItsTextAndThePromptGrowsAroundIt)
{
    struct Case {
        int x, y, labelWidth, labelHeight;
        bool grows;
    };
    // 9 points at 96, 144 and 192 dpi; labels that fit, one wider than the 180 units less the
    // margins, one taller than a line, and one both.
    const Case cases[] = {{6, 13, 80, 13, false},   {9, 20, 120, 20, false},  {12, 26, 160, 26, false},
                          {6, 13, 246, 13, false},  {6, 13, 300, 13, true},   {9, 20, 500, 20, true},
                          {12, 26, 160, 40, true},  {12, 26, 700, 33, true}};
    for (const Case& c : cases)
        for (const PromptButtons buttons : {PromptButtons::OkCancelOff, PromptButtons::OkCancel}) {
            const PromptLayout l = ComputePromptLayout(c.x, c.y, c.labelWidth, c.labelHeight, c.y + 8, buttons);
            const PromptLayout classic = ComputePromptLayout(c.x, c.y, 1, c.y, c.y + 8, buttons);
            const auto where = ::testing::Message() << c.x << "," << c.y << " " << c.labelWidth << "x" << c.labelHeight;
            EXPECT_EQ(l.label, (LayoutRect{2 * c.x, c.y, c.labelWidth, c.labelHeight})) << where;
            EXPECT_LE(l.label.left + l.label.width, l.clientWidth - 2 * c.x) << where;
            EXPECT_GE(l.edit.top, l.label.top + l.label.height) << where;
            EXPECT_EQ(l.edit.width, l.clientWidth - 4 * c.x) << where;
            const LayoutRect& last = buttons == PromptButtons::OkCancel ? l.cancel : l.off;
            EXPECT_GT(l.ok.top, l.edit.top + l.edit.height - c.y) << where;
            EXPECT_LE(last.left + last.width, l.clientWidth) << where;
            EXPECT_LE(l.ok.top + l.ok.height, l.clientHeight) << where;
            EXPECT_EQ(l.clientWidth > classic.clientWidth || l.clientHeight > classic.clientHeight, c.grows) << where;
        }
}

TEST(PromptLayout, TheIndicatorLineSitsBetweenTheEditAndTheButtonsAndMovesNothingElse)
{
    struct Case {
        int x, y;
        PromptIndicatorLine line;
        bool wider;  // than the prompt without the line
    };
    // 9 points at 96, 144 and 192 dpi, and one whose warning needs more than the 180 units.
    const Case cases[] = {{6, 13, {13, 84, 14, 29}, false},
                          {9, 20, {20, 126, 21, 44}, false},
                          {12, 26, {26, 168, 28, 58}, false},
                          {6, 13, {13, 240, 14, 29}, true}};
    for (const Case& c : cases)
        for (const PromptButtons buttons : {PromptButtons::OkCancelOff, PromptButtons::OkCancel}) {
            const PromptLayout l = ComputePromptLayout(c.x, c.y, 10 * c.x, c.y, c.y + 8, buttons, c.line);
            const PromptLayout classic = ComputePromptLayout(c.x, c.y, 10 * c.x, c.y, c.y + 8, buttons);
            const auto where = ::testing::Message() << c.x << "," << c.y << " warning " << c.line.warningWidth;
            EXPECT_EQ(l.clientWidth > classic.clientWidth, c.wider) << where;
            EXPECT_EQ(l.label, classic.label) << where;
            EXPECT_EQ(l.edit.top, classic.edit.top) << where;
            // Taller by the line and its gap; the buttons move down by as much and keep their gap.
            const int grown = l.clientHeight - classic.clientHeight;
            EXPECT_EQ(grown, c.line.height + DialogMulDiv(3, c.y, 8)) << where;
            EXPECT_EQ(l.ok.top, classic.ok.top + grown) << where;
            EXPECT_GE(l.warning.top, l.edit.top + l.edit.height) << where;
            EXPECT_LE(l.warning.top + l.warning.height, l.ok.top) << where;
            EXPECT_EQ(l.keyboardLayout.top, l.warning.top) << where;
            // Each sized to its text, within the margins and apart.
            EXPECT_EQ(l.warning.width, c.line.warningWidth) << where;
            EXPECT_EQ(l.keyboardLayout.width, c.line.layoutWidth) << where;
            EXPECT_EQ(l.warning.left, 2 * c.x) << where;
            EXPECT_EQ(l.keyboardLayout.left + l.keyboardLayout.width, l.clientWidth - 2 * c.x) << where;
            EXPECT_GE(l.clientWidth - 2 * c.x - c.line.widestLayoutWidth, l.warning.left + l.warning.width + 2 * c.x)
                << where;
        }
}

TEST(PromptPlacement, CentredInTheWorkAreaOfAnyMonitorAndNeverAboveOrLeftOfIt)
{
    struct Case {
        LayoutRect area;
        int width, height;
        LayoutRect expected;
    };
    const Case cases[] = {
        {{0, 0, 1920, 1040}, 300, 150, {810, 445, 300, 150}},          // the primary monitor
        {{-1280, 0, 1280, 984}, 300, 150, {-790, 417, 300, 150}},     // one left of it
        {{1920, -300, 2560, 1400}, 600, 300, {2900, 250, 600, 300}},  // one right of it, higher up
        {{0, 0, 640, 440}, 800, 500, {0, 0, 800, 500}},               // larger than the area
    };
    for (const Case& c : cases)
        EXPECT_EQ(CentredIn(c.area, c.width, c.height), c.expected) << c.area.left << "," << c.area.top;
}

TEST(PromptIndicators, TheLayoutsShortNameIsItsLanguagesIsoNameInCapitals)
{
    const std::pair<const char*, const char*> cases[] = {
        {"en", "EN"}, {"de", "DE"}, {"fr", "FR"}, {"haw", "HAW"}, {"Ru", "RU"},
        {"", ""}, {"e", ""}, {"engl", ""}, {"e1", ""}, {"zh-", ""},
    };
    for (const auto& [iso, name] : cases)
        EXPECT_EQ(LayoutShortName(iso), name) << iso;
}

}  // namespace
}  // namespace vardex
