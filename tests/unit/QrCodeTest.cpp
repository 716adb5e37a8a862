#include "common/Errors.h"
#include "common/OneTimeCode.h"
#include "config/QrCode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace vardex {
namespace {

// A finder pattern's 7 x 7 rings (dark, light, dark 3 x 3) with its top-left module at x, y.
bool FinderAt(const QrCode& code, int x, int y)
{
    for (int dy = 0; dy < 7; ++dy)
        for (int dx = 0; dx < 7; ++dx) {
            const int ring = std::max(std::abs(dx - 3), std::abs(dy - 3));
            if (code.Dark(x + dx, y + dy) != (ring != 2))
                return false;
        }
    return true;
}

TEST(QrCode, SmallestVersionHoldsTheTextWithFindersAndTimingInTheirPlaces)
{
    const std::vector<std::uint8_t> secret(kCodeSecretBytes, 0xA5);
    const struct {
        std::string text;
        int width;
    } cases[] = {{"otpauth", 21},                                                   // version 1: 14 bytes
                 {std::string(100, 'x'), 41},                                       // version 6: 106 bytes
                 {OtpAuthUri(secret, "PC Vardex", "WORKSTATION-015"), 49}};         // version 8: 152 bytes
    for (const auto& [text, width] : cases) {
        SCOPED_TRACE(text);
        const QrCode code(text);
        ASSERT_EQ(code.Width(), width);
        EXPECT_TRUE(FinderAt(code, 0, 0));
        EXPECT_TRUE(FinderAt(code, width - 7, 0));
        EXPECT_TRUE(FinderAt(code, 0, width - 7));
        EXPECT_FALSE(FinderAt(code, width - 7, width - 7));
        for (int i = 8; i < width - 8; ++i) {
            EXPECT_EQ(code.Dark(i, 6), i % 2 == 0) << i;
            EXPECT_EQ(code.Dark(6, i), i % 2 == 0) << i;
        }
    }
}

TEST(QrCode, TextTooLongForAnyVersionIsRefused)
{
    EXPECT_THROW(QrCode(std::string(2400, 'x')), Error);
}

TEST(QrModulePixels, WholePixelsThatFitTheCodeAndItsQuietZone)
{
    const struct {
        int width, side, pixels;
    } cases[] = {{49, 57 * 4, 4}, {49, 57 * 4 - 1, 3}, {49, 342, 6}, {21, 28, 1}, {21, 10, 1}, {21, 0, 1}};
    for (const auto& [width, side, pixels] : cases)
        EXPECT_EQ(QrModulePixels(width, side), pixels) << width << " in " << side;
}

}  // namespace
}  // namespace vardex
