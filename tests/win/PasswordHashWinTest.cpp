#include "PasswordVectors.h"
#include "common/PasswordCrypto_win.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace vardex {
namespace {

TEST(PasswordCryptoWin, DerivesThePublishedKeys)
{
    Win32PasswordCrypto crypto;
    test::ExpectPublishedPbkdf2Keys(crypto, true);
}

TEST(PasswordCryptoWin, RandomBytesDifferBetweenCalls)
{
    Win32PasswordCrypto crypto;
    std::array<std::uint8_t, 16> first{};
    std::array<std::uint8_t, 16> second{};
    ASSERT_TRUE(crypto.FillRandom(first));
    ASSERT_TRUE(crypto.FillRandom(second));
    EXPECT_NE(first, second);
}

}  // namespace
}  // namespace vardex
