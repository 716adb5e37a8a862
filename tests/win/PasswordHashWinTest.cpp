#include "common/PasswordCrypto_win.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace vardex {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string Hex(std::span<const std::uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xf];
    }
    return text;
}

// The same figures as the portable implementation's test, so that a hash made on one build
// verifies on the other.
TEST(PasswordCryptoWin, DerivesThePublishedKeys)
{
    const struct {
        std::string password;
        std::string salt;
        std::uint32_t iterations;
        const char* key;
    } cases[] = {
        {"password", "salt", 1, "120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b"},
        {"password", "salt", 4096, "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a"},
        {"passwd", "salt", 1,
         "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
         "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783"},
        {"Password", "NaCl", 80000,
         "4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56"
         "a1d425a1225833549adb841b51c9b3176a272bdebba1d078478f62b397f33c8d"},
        {std::string(100, 'x'), "salt", 2, "d43a18cd77bafc1a4b0c6025dbbf29c7e6d67acce6ad02a736d4a3003b6a3c26"},
        // UTF-8 bytes as given ("Mot de passe é" with é as C3 A9), figure from Python's hashlib.
        {"Mot de passe \xc3\xa9", "salt", 1, "21cf8cab57795eadf4c5d58b09eb165c13095ec528cd14c7d2ca332a801d62c0"},
    };
    Win32PasswordCrypto crypto;
    for (const auto& c : cases) {
        std::vector<std::uint8_t> key(std::string_view(c.key).size() / 2);
        ASSERT_TRUE(crypto.DeriveKey(c.password, Bytes(c.salt), c.iterations, key)) << c.password;
        EXPECT_EQ(Hex(key), c.key) << c.password << " / " << c.salt << " / " << c.iterations;
    }
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
