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
        for (int dx = 0; dx < 7; ++dx)
            if (code.Dark(x + dx, y + dy) != (std::max(std::abs(dx - 3), std::abs(dy - 3)) != 2))
                return false;
    return true;
}

TEST(QrCode, SmallestVersionHoldsTheTextWithFindersAndTimingInTheirPlaces)
{
    const std::vector<std::uint8_t> secret(kCodeSecretBytes, 0xA5);
    // Versions 1 (14 bytes at level M), 6 (106) and 8 (152).
    for (const auto& [text, width] : {std::pair{std::string("otpauth"), 21}, {std::string(100, 'x'), 41},
                                      {OtpAuthUri(secret, "PC Vardex", "WORKSTATION-015"), 49}}) {
        const QrCode code(text);
        ASSERT_EQ(code.Width(), width) << text;
        EXPECT_TRUE(FinderAt(code, 0, 0) && FinderAt(code, width - 7, 0) && FinderAt(code, 0, width - 7)) << text;
        EXPECT_FALSE(FinderAt(code, width - 7, width - 7)) << text;
        for (int i = 8; i < width - 8; ++i)
            EXPECT_TRUE(code.Dark(i, 6) == (i % 2 == 0) && code.Dark(6, i) == (i % 2 == 0)) << text << " timing " << i;
    }
    EXPECT_THROW(QrCode(std::string(2400, 'x')), Error);  // more than any version holds
}

TEST(QrModulePixels, WholePixelsThatFitTheCodeAndItsQuietZone)
{
    for (const auto& [width, side, pixels] : {std::tuple{49, 57 * 4, 4}, {49, 57 * 4 - 1, 3}, {49, 342, 6}, {21, 10, 1}})
        EXPECT_EQ(QrModulePixels(width, side), pixels) << width << " in " << side;
}

}  // namespace
}  // namespace vardex
