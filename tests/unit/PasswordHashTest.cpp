#include "PasswordVectors.h"
#include "common/Base64.h"
#include "common/Errors.h"
#include "common/PasswordHash.h"
#include "common/Sha256.h"

#include <gtest/gtest.h>

#include <vector>

namespace vardex {
namespace {

using test::Bytes;
using test::Hex;

TEST(Sha256, PublishedDigestsWholeAndInOddPieces)
{
    const struct {
        std::string message;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // 56 bytes: the length no longer fits the last block, padding takes one more.
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmno"
         "ijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(1000, 'a'), "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Hex(Sha256Of(Bytes(c.message))), c.digest) << c.message.size() << " bytes";
        Sha256 pieces;
        for (std::size_t at = 0; at < c.message.size(); at += 7)
            pieces.Update(Bytes(std::string_view(c.message).substr(at, 7)));
        EXPECT_EQ(Hex(pieces.Final()), c.digest) << c.message.size() << " bytes in pieces of 7";
    }
}

TEST(Pbkdf2HmacSha256, PublishedVectors)
{
    PortablePasswordCrypto crypto;
    test::ExpectPublishedPbkdf2Keys(crypto, false);
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

// The portable crypto, with failures on demand and a count of the derivations asked for.
class ScriptedCrypto final : public PasswordCrypto {
public:
    bool deriveFails = false;
    bool randomFails = false;
    std::size_t wrongByte = kPasswordHashSize;  // a derived key wrong in this byte only
    int derivations = 0;

    bool DeriveKey(std::string_view password, std::span<const std::uint8_t> salt, std::uint32_t iterations,
                   std::span<std::uint8_t> out) override
    {
        ++derivations;
        if (deriveFails || !real_.DeriveKey(password, salt, iterations, out))
            return false;
        if (wrongByte < out.size())
            out[wrongByte] ^= 0x01;
        return true;
    }
    bool FillRandom(std::span<std::uint8_t> out) override { return !randomFails && real_.FillRandom(out); }

private:
    PortablePasswordCrypto real_;
};

constexpr std::uint32_t kFastIterations = 100;
// "Correct horse" with the salt bytes 0 to 15 and 1000 iterations, made with Python's hashlib.
constexpr std::string_view kKnownHash =
    "$pbkdf2-sha256$i=1000$AAECAwQFBgcICQoLDA0ODw$Zv51h8tn4OzH6XdWHmX5uW2PAkdMNC+PyTbnyPd24UM";

TEST(PasswordHash, HashTextMadeElsewhereVerifies)
{
    ScriptedCrypto crypto;
    EXPECT_TRUE(VerifyPassword("Correct horse", kKnownHash, crypto));
    EXPECT_FALSE(VerifyPassword("Correct hors", kKnownHash, crypto));
    EXPECT_FALSE(VerifyPassword(kKnownHash, kKnownHash, crypto));  // the hash text is no password
}

TEST(PasswordHash, OneWrongBitAnywhereInTheHashRefuses)
{
    ScriptedCrypto crypto;
    const std::string stored = HashPassword("Correct horse", crypto, 1);
    for (crypto.wrongByte = 0; crypto.wrongByte < kPasswordHashSize; ++crypto.wrongByte)
        EXPECT_FALSE(VerifyPassword("Correct horse", stored, crypto)) << "byte " << crypto.wrongByte;
}

TEST(PasswordHash, RoundTripAcceptsOnlyTheSameTextAndSaltsDiffer)
{
    ScriptedCrypto crypto;
    const std::string first = HashPassword("Secret pass", crypto, kFastIterations);
    const std::string second = HashPassword("Secret pass", crypto, kFastIterations);
    EXPECT_TRUE(first.starts_with("$pbkdf2-sha256$i=100$")) << first;
    EXPECT_EQ(first.size(), std::string_view("$pbkdf2-sha256$i=100$").size() + 22 + 1 + 43) << first;
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
    EXPECT_EQ(crypto.derivations, 0);
}

// Each is the known hash text with one field spoiled: plain text then, so only itself matches.
TEST(PasswordHash, MalformedHashTextsArePlainText)
{
    const std::string salt = "AAECAwQFBgcICQoLDA0ODw";
    const std::string hash = "Zv51h8tn4OzH6XdWHmX5uW2PAkdMNC+PyTbnyPd24UM";
    const auto text = [](std::string_view prefix, std::string_view count, std::string_view s, std::string_view h) {
        return std::string(prefix) + std::string(count) + "$" + std::string(s) + "$" + std::string(h);
    };
    const std::string p = "$pbkdf2-sha256$i=";
    const std::string malformed[] = {
        text("$pbkdf2-sha512$i=", "1000", salt, hash),
        text("$PBKDF2-SHA256$i=", "1000", salt, hash),
        text("pbkdf2-sha256$i=", "1000", salt, hash),
        text("$pbkdf2-sha256$rounds=", "1000", salt, hash),
        text(p, "0", salt, hash),
        text(p, "01000", salt, hash),
        text(p, "+1000", salt, hash),
        text(p, "1e3", salt, hash),
        text(p, "", salt, hash),
        text(p, "10000001", salt, hash),
        text(p, "4294968296", salt, hash),  // 1000 after wrapping at 2^32
        text(p, "1000", salt + "==", hash),
        text(p, "1000", salt, hash + "="),
        text(p, "1000", "AAECAwQFBgcICQoLDA0O", hash),     // 15 bytes
        text(p, "1000", "AAECAwQFBgcICQoLDA0ODxA", hash),  // 17 bytes
        text(p, "1000", salt, hash.substr(0, 42)),         // 31 bytes
        text(p, "1000", salt, hash + "A"),
        text(p, "1000", "AAECAwQFBgcICQoLDA0ODx", hash),  // same bytes, unused bits set
        text(p, "1000", salt, hash.substr(0, 42) + "N"),
        text(p, "1000", salt, hash) + "$",
        text(p, "1000", salt, hash) + " ",
        p + "1000$" + salt,
        text(p, "1000", salt, "$" + hash),
    };
    ScriptedCrypto crypto;
    for (const std::string& stored : malformed) {
        EXPECT_TRUE(VerifyPassword(stored, stored, crypto)) << stored;
        EXPECT_FALSE(VerifyPassword("Correct horse", stored, crypto)) << stored;
    }
    EXPECT_EQ(crypto.derivations, 0);
}

TEST(PasswordHash, PlatformFailuresRefuseAndThrow)
{
    ScriptedCrypto crypto;
    crypto.deriveFails = true;
    EXPECT_FALSE(VerifyPassword("Correct horse", kKnownHash, crypto));
    EXPECT_THROW(HashPassword("Secret", crypto, kFastIterations), Error);
    crypto.deriveFails = false;
    crypto.randomFails = true;
    EXPECT_THROW(HashPassword("Secret", crypto, kFastIterations), Error);
    crypto.randomFails = false;
    EXPECT_THROW(HashPassword("Secret", crypto, 0), Error);
    EXPECT_THROW(HashPassword("Secret", crypto, kMaxPasswordHashIterations + 1), Error);
}

}  // namespace
}  // namespace vardex
