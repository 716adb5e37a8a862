#include "PasswordVectors.h"
#include "win/PasswordCrypto_win.h"

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

TEST(PasswordCryptoWin, MakesThePublishedOneTimeCodes)
{
    Win32PasswordCrypto crypto;
    test::ExpectRfc6238Codes(crypto);
}

TEST(PasswordCryptoWin, AHashTextMadeElsewhereVerifies)
{
    // "Correct horse" with the salt bytes 0 to 15 and 100000 iterations, made with Python's hashlib.
    const std::string stored =
        "$pbkdf2-sha256$i=100000$AAECAwQFBgcICQoLDA0ODw$uCZ7tUZFQTNU3k3HohVXsiMFIClrOG9ZbFW5l7CxvOs";
    Win32PasswordCrypto crypto;
    EXPECT_TRUE(VerifyPassword("Correct horse", stored, crypto));
    EXPECT_FALSE(VerifyPassword("Correct hors", stored, crypto));
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
