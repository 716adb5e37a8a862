#pragma once
// Published PBKDF2-HMAC-SHA256, HMAC-SHA1 and TOTP results, checked against both the portable and the system's
// implementation, so that a hash made by one verifies with the other.
#include "common/OneTimeCode.h"
#include "common/PasswordHash.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vardex::test {

inline std::span<const std::uint8_t> Bytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

inline std::string Hex(std::span<const std::uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xf];
    }
    return text;
}

// The keys derived by crypto equal the published ones. The derivation itself knows no bounds of
// the stored counts, so the published small counts stay. slow adds the counts of real hashes, which
// take seconds under the sanitizers: RFC 7914's c = 80000 and the floor of stored hashes.
inline void ExpectPublishedPbkdf2Keys(PasswordCrypto& crypto, bool slow)
{
    struct Vector {
        std::string password;
        std::string salt;
        std::uint32_t iterations;
        const char* key;
    };
    std::vector<Vector> vectors{
        {"password", "salt", 1, "120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b"},
        {"password", "salt", 2, "ae4d0c95af6b46d32d0adff928f06dd02a303f8ef3c251dfd6e2d85a95474c43"},
        {"password", "salt", 4096, "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a"},
        {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096,
         "348c89dbcbd32b2f32d814b8116e84cf2b17347ebc1800181c4e2a1fb8dd53e1c635518c7dac47e9"},
        // RFC 7914 section 11: two blocks of output.
        {"passwd", "salt", 1,
         "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
         "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783"},
        // A password longer than a block is hashed into the HMAC key (figure from Python's hashlib).
        {std::string(100, 'x'), "salt", 2, "d43a18cd77bafc1a4b0c6025dbbf29c7e6d67acce6ad02a736d4a3003b6a3c26"},
        // UTF-8 bytes as given ("Mot de passe é" with é as C3 A9), figure from Python's hashlib.
        {"Mot de passe \xc3\xa9", "salt", 1, "21cf8cab57795eadf4c5d58b09eb165c13095ec528cd14c7d2ca332a801d62c0"},
    };
    if (slow) {
        vectors.push_back({"Password", "NaCl", 80000,
                           "4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56"
                           "a1d425a1225833549adb841b51c9b3176a272bdebba1d078478f62b397f33c8d"});
        // Figure from Python's hashlib.
        vectors.push_back({"password", "salt", kMinPasswordHashIterations,
                           "0394a2ede332c9a13eb82e9b24631604c31df978b4e2f0fbd2c549944f9d79a5"});
    }
    for (const Vector& v : vectors) {
        std::vector<std::uint8_t> key(std::string_view(v.key).size() / 2);
        ASSERT_TRUE(crypto.DeriveKey(v.password, Bytes(v.salt), v.iterations, key)) << v.password;
        EXPECT_EQ(Hex(key), v.key) << v.password << " / " << v.salt << " / " << v.iterations;
    }
}

// RFC 2202's first HMAC-SHA1 vector, and RFC 6238's SHA-1 codes (its 8 digits, and the 6 an app
// shows) for its secret "12345678901234567890".
inline void ExpectRfc6238Codes(PasswordCrypto& crypto)
{
    const std::vector<std::uint8_t> key(20, 0x0b);
    std::array<std::uint8_t, 20> mac{};
    ASSERT_TRUE(crypto.HmacSha1(key, Bytes("Hi There"), mac));
    EXPECT_EQ(Hex(mac), "b617318655057264e28bc0b6fb378c8ef146be00");
    const std::vector<std::pair<std::int64_t, std::string>> codes{
        {59, "94287082"},         {1111111109, "07081804"}, {1111111111, "14050471"},
        {1234567890, "89005924"}, {2000000000, "69279037"}, {20000000000, "65353130"}};
    const auto secret = Bytes("12345678901234567890");
    for (const auto& [time, code] : codes) {
        EXPECT_EQ(CodeAt(crypto, secret, CodeStepAt(time), 8), code) << time;
        EXPECT_EQ(CodeAt(crypto, secret, CodeStepAt(time)), code.substr(2)) << time;
    }
}

}  // namespace vardex::test
