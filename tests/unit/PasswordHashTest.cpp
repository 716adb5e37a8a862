#include "PasswordVectors.h"
#include "common/Base64.h"
#include "common/Errors.h"
#include "common/PasswordHash.h"
#include "common/NativeCrypto.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <vector>

namespace vardex {
namespace {

using test::Bytes;
using test::Hex;

TEST(Pbkdf2HmacSha256, PublishedVectorsThroughTheLibraryWhichRefusesNoRoundsAndFillsFreshRandomBytes)
{
    NativePasswordCrypto crypto;
    test::ExpectPublishedPbkdf2Keys(crypto, false);
    std::array<std::uint8_t, 32> key{}, first{}, second{};
    EXPECT_FALSE(crypto.DeriveKey("password", Bytes("salt"), 0, key));
    ASSERT_TRUE(crypto.FillRandom(first));
    ASSERT_TRUE(crypto.FillRandom(second));
    EXPECT_NE(Hex(first), Hex(second));
}

TEST(PasswordHashBase64, UnpaddedStandardAlphabetAndOnlyCanonicalTextsDecode)
{
    const struct {
        std::string bytes;
        const char* text;
    } cases[] = {{"", ""},           {"f", "Zg"},         {"fo", "Zm8"},         {"foo", "Zm9v"},
                 {"foob", "Zm9vYg"}, {"fooba", "Zm9vYmE"}, {"foobar", "Zm9vYmFy"}, {"\xfb\xff\xbf", "+/+/"}};
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeBase64(Bytes(c.bytes)), c.text);
        std::vector<std::uint8_t> decoded(c.bytes.size());
        EXPECT_TRUE(DecodeBase64(c.text, decoded)) << c.text;
        EXPECT_EQ(Hex(decoded), Hex(Bytes(c.bytes))) << c.text;
    }
    for (const char* refused : {"Zm+", "Zm9=", "Zm", "Zm9v", "Zm-", "Zm\n", "Z=8"}) {
        std::vector<std::uint8_t> two(2, 0xee);
        EXPECT_FALSE(DecodeBase64(refused, two)) << refused;
        EXPECT_EQ(Hex(two), "0000") << refused;
    }
}

// The portable crypto at one iteration whatever the count (for hashes made and checked here),
// with failures on demand and a record of what the derivations were asked.
class ScriptedCrypto final : public PasswordCrypto {
public:
    bool deriveFails = false;
    bool randomFails = false;
    std::size_t wrongByte = kPasswordHashSize;  // a derived key wrong in this byte only
    std::vector<std::string> derivations;       // "password / salt in hex / count"

    bool DeriveKey(std::string_view password, std::span<const std::uint8_t> salt, std::uint32_t iterations,
                   std::span<std::uint8_t> out) override
    {
        derivations.push_back(std::string(password) + " / " + Hex(salt) + " / " + std::to_string(iterations));
        if (deriveFails || !real_.DeriveKey(password, salt, 1, out))
            return false;
        if (wrongByte < out.size())
            out[wrongByte] ^= 0x01;
        return true;
    }
    bool FillRandom(std::span<std::uint8_t> out) override { return !randomFails && real_.FillRandom(out); }
    bool HmacSha1(std::span<const std::uint8_t> key, std::span<const std::uint8_t> message,
                  std::span<std::uint8_t, 20> out) override
    {
        return real_.HmacSha1(key, message, out);
    }

private:
    NativePasswordCrypto real_;
};

constexpr std::string_view kPrefix = "$pbkdf2-sha256$i=";
constexpr std::string_view kSalt = "AAECAwQFBgcICQoLDA0ODw";  // the bytes 0 to 15

std::string HashText(std::string_view prefix, std::string_view count, std::string_view salt, std::string_view hash)
{
    return std::string(prefix) + std::string(count) + "$" + std::string(salt) + "$" + std::string(hash);
}

// The hash field of "Correct horse" with that salt as the cheap crypto derives it.
std::string CheapHashOfCorrectHorse()
{
    std::array<std::uint8_t, kPasswordSaltSize> salt{};
    std::iota(salt.begin(), salt.end(), std::uint8_t{0});
    std::array<std::uint8_t, kPasswordHashSize> key{};
    ScriptedCrypto().DeriveKey("Correct horse", salt, kMinPasswordHashIterations, key);
    return EncodeBase64(key);
}

// The key itself is the published vectors' matter (and the system's test checks a text made by
// hashlib); this one checks that the text is read as its maker meant it.
TEST(PasswordHash, HashTextIsReadAsItsMakerMeantIt)
{
    ScriptedCrypto crypto;
    const std::string stored = HashText(kPrefix, "100000", kSalt, CheapHashOfCorrectHorse());
    EXPECT_TRUE(VerifyPassword("Correct horse", stored, crypto));
    EXPECT_EQ(crypto.derivations, (std::vector<std::string>{"Correct horse / 000102030405060708090a0b0c0d0e0f / 100000"}));
    EXPECT_FALSE(VerifyPassword("Correct hors", stored, crypto));
    EXPECT_FALSE(VerifyPassword(stored, stored, crypto));
}

TEST(PasswordHash, OneWrongBitAnywhereInTheHashRefuses)
{
    ScriptedCrypto crypto;
    const std::string stored = HashPassword("Correct horse", crypto, kMinPasswordHashIterations);
    for (crypto.wrongByte = 0; crypto.wrongByte < kPasswordHashSize; ++crypto.wrongByte)
        EXPECT_FALSE(VerifyPassword("Correct horse", stored, crypto)) << "byte " << crypto.wrongByte;
}

TEST(PasswordHash, RoundTripAcceptsOnlyTheSameTextAndSaltsDiffer)
{
    ScriptedCrypto crypto;
    const std::string first = HashPassword("Secret pass", crypto);
    const std::string second = HashPassword("Secret pass", crypto);
    EXPECT_TRUE(first.starts_with("$pbkdf2-sha256$i=400000$")) << first;
    EXPECT_EQ(first.size(), std::string_view("$pbkdf2-sha256$i=400000$").size() + 22 + 1 + 43) << first;
    EXPECT_NE(first.substr(0, first.rfind('$')), second.substr(0, second.rfind('$')));
    for (const std::string& stored : {first, second}) {
        EXPECT_TRUE(VerifyPassword("Secret pass", stored, crypto));
        for (const char* wrong : {"secret pass", "Secret pass ", " Secret pass", "Secret pas", ""})
            EXPECT_FALSE(VerifyPassword(wrong, stored, crypto)) << '"' << wrong << '"';
    }
}

TEST(PasswordHash, PlainTextsCompareExactly)
{
    ScriptedCrypto crypto;
    EXPECT_TRUE(VerifyPassword("Tiger 7", "Tiger 7", crypto));
    EXPECT_TRUE(VerifyPassword(std::string("a\0b", 3), std::string("a\0b", 3), crypto));
    for (const char* wrong : {"tiger 7", "Tiger 7 ", " Tiger 7", "Tiger", "Tiger 77", ""})
        EXPECT_FALSE(VerifyPassword(wrong, "Tiger 7", crypto)) << '"' << wrong << '"';
    EXPECT_FALSE(VerifyPassword("a", std::string("a\0", 2), crypto));
    EXPECT_TRUE(crypto.derivations.empty());
}

// Every stored value readable by every user: whatever it is, its own text must not unlock, and a
// value that begins as a hash but is none refuses the right password too.
TEST(PasswordHash, FormRulesAndTheStoredTextNeverUnlocks)
{
    using K = StoredPasswordKind;
    const std::string salt(kSalt), hash = CheapHashOfCorrectHorse();
    const struct {
        std::string stored;
        K kind;
    } cases[] = {
        {HashText(kPrefix, "100000", salt, hash), K::Hash},
        {HashText(kPrefix, "99999", salt, hash), K::Malformed},  // below the floor
        {HashText(kPrefix, "2000000", salt, hash), K::Hash},
        {HashText(kPrefix, "2000001", salt, hash), K::Malformed},  // above the cap
        {HashText(kPrefix, "1", salt, hash), K::Malformed},
        {HashText(kPrefix, "0", salt, hash), K::Malformed},
        {HashText(kPrefix, "0100000", salt, hash), K::Malformed},  // leading zero
        {HashText(kPrefix, "+100000", salt, hash), K::Malformed},
        {HashText(kPrefix, "1e5", salt, hash), K::Malformed},
        {HashText(kPrefix, "", salt, hash), K::Malformed},
        {HashText(kPrefix, "4295067296", salt, hash), K::Malformed},  // 100000 after wrapping at 2^32
        {HashText("$pbkdf2-sha512$i=", "100000", salt, hash), K::Malformed},
        {HashText("$PBKDF2-SHA256$i=", "100000", salt, hash), K::Malformed},  // upper-case prefix
        {HashText("$pbkdf2-sha256$rounds=", "100000", salt, hash), K::Malformed},
        {HashText(kPrefix, "100000", salt + "==", hash), K::Malformed},  // padding
        {HashText(kPrefix, "100000", salt, hash + "="), K::Malformed},
        {HashText(kPrefix, "100000", salt.substr(0, 20), hash), K::Malformed},  // 15 bytes
        {HashText(kPrefix, "100000", "AAECAwQFBgcICQoLDA0ODxA", hash), K::Malformed},  // 17 bytes
        {HashText(kPrefix, "100000", salt, hash.substr(0, 42)), K::Malformed},  // one character cut
        {HashText(kPrefix, "100000", salt, hash + "A"), K::Malformed},
        {HashText(kPrefix, "100000", salt.substr(0, 21) + "x", hash), K::Malformed},  // unused bits set
        {HashText(kPrefix, "100000", salt, "$" + hash), K::Malformed},
        {HashText(kPrefix, "100000", salt, hash) + "$", K::Malformed},
        {HashText(kPrefix, "100000", salt, hash) + " ", K::Malformed},  // a trailing blank
        {" " + HashText(kPrefix, "100000", salt, hash), K::Plain},  // no "$" first: plain
        {std::string(kPrefix) + "100000$" + salt, K::Malformed},      // missing field
        {"$", K::Malformed},
        {"$ecret", K::Malformed},
        {"Tiger 7", K::Plain},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(ClassifyStoredPassword(c.stored), c.kind);
        ScriptedCrypto crypto;
        EXPECT_EQ(VerifyPassword(c.stored, c.stored, crypto), c.kind == K::Plain);
        EXPECT_EQ(VerifyPassword("Correct horse", c.stored, crypto), c.kind == K::Hash);
        if (c.kind != K::Hash)
            EXPECT_TRUE(crypto.derivations.empty()) << "nothing derived for a value that is no hash";
    }
}

TEST(PasswordHash, PlatformFailuresRefuseAndCountsOutOfBoundsThrow)
{
    ScriptedCrypto crypto;
    const std::string stored = HashPassword("Correct horse", crypto);
    crypto.deriveFails = true;
    EXPECT_FALSE(VerifyPassword("Correct horse", stored, crypto));
    EXPECT_THROW(HashPassword("Secret", crypto), Error);
    crypto.deriveFails = false;
    crypto.randomFails = true;
    EXPECT_THROW(HashPassword("Secret", crypto), Error);
    crypto.randomFails = false;
    for (const std::uint32_t count : {0u, kMinPasswordHashIterations - 1, kMaxPasswordHashIterations + 1})
        EXPECT_THROW(HashPassword("Secret", crypto, count), Error) << count;
    for (const std::uint32_t count : {kMinPasswordHashIterations, kMaxPasswordHashIterations})
        EXPECT_EQ(ClassifyStoredPassword(HashPassword("Secret", crypto, count)), StoredPasswordKind::Hash) << count;
}

}  // namespace
}  // namespace vardex
