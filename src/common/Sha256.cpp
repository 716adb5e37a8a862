#include "Sha256.h"

#include "WipedString.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <random>

namespace vardex {

namespace {

constexpr std::array<std::uint32_t, 64> kRoundConstants = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::array<std::uint32_t, 8> kInitialState = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                        0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

std::uint32_t LoadBigEndian32(const std::uint8_t* bytes) noexcept
{
    return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
           static_cast<std::uint32_t>(bytes[2]) << 8 | static_cast<std::uint32_t>(bytes[3]);
}

void StoreBigEndian(std::uint64_t value, std::uint8_t* bytes, std::size_t count) noexcept
{
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * (count - 1 - i)));
}

}  // namespace

Sha256::Sha256() noexcept : state_(kInitialState) {}

Sha256::~Sha256()
{
    WipeBytes(state_.data(), sizeof state_);
    WipeBytes(buffer_.data(), buffer_.size());
}

void Sha256::Compress(const std::uint8_t* block) noexcept
{
    std::array<std::uint32_t, 64> w;
    for (std::size_t t = 0; t < 16; ++t)
        w[t] = LoadBigEndian32(block + 4 * t);
    for (std::size_t t = 16; t < 64; ++t) {
        const std::uint32_t s0 = std::rotr(w[t - 15], 7) ^ std::rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
        const std::uint32_t s1 = std::rotr(w[t - 2], 17) ^ std::rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
        w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }
    auto [a, b, c, d, e, f, g, h] = state_;
    for (std::size_t t = 0; t < 64; ++t) {
        const std::uint32_t sum1 = std::rotr(e, 6) ^ std::rotr(e, 11) ^ std::rotr(e, 25);
        const std::uint32_t choose = (e & f) ^ (~e & g);
        const std::uint32_t t1 = h + sum1 + choose + kRoundConstants[t] + w[t];
        const std::uint32_t sum0 = std::rotr(a, 2) ^ std::rotr(a, 13) ^ std::rotr(a, 22);
        const std::uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + sum0 + majority;
    }
    const std::array<std::uint32_t, 8> working = {a, b, c, d, e, f, g, h};
    for (std::size_t i = 0; i < 8; ++i)
        state_[i] += working[i];
    // The schedule is derived from the message block, which may be a key.
    WipeBytes(w.data(), sizeof w);
}

void Sha256::Update(std::span<const std::uint8_t> data) noexcept
{
    totalBytes_ += data.size();
    if (buffered_ > 0) {
        const std::size_t take = std::min(kBlockSize - buffered_, data.size());
        if (take > 0)
            std::memcpy(buffer_.data() + buffered_, data.data(), take);
        buffered_ += take;
        data = data.subspan(take);
        if (buffered_ < kBlockSize)
            return;
        Compress(buffer_.data());
        buffered_ = 0;
    }
    for (; data.size() >= kBlockSize; data = data.subspan(kBlockSize))
        Compress(data.data());
    if (!data.empty())
        std::memcpy(buffer_.data(), data.data(), data.size());
    buffered_ = data.size();
}

Sha256Digest Sha256::Final() noexcept
{
    constexpr std::size_t lengthOffset = kBlockSize - 8;
    const std::uint64_t bitLength = totalBytes_ * 8;
    buffer_[buffered_++] = 0x80;
    if (buffered_ > lengthOffset) {
        std::fill(buffer_.begin() + static_cast<std::ptrdiff_t>(buffered_), buffer_.end(), std::uint8_t{0});
        Compress(buffer_.data());
        buffered_ = 0;
    }
    std::fill(buffer_.begin() + static_cast<std::ptrdiff_t>(buffered_), buffer_.begin() + lengthOffset,
              std::uint8_t{0});
    StoreBigEndian(bitLength, buffer_.data() + lengthOffset, 8);
    Compress(buffer_.data());
    Sha256Digest digest;
    for (std::size_t i = 0; i < state_.size(); ++i)
        StoreBigEndian(state_[i], digest.data() + 4 * i, 4);
    return digest;
}

Sha256Digest Sha256Of(std::span<const std::uint8_t> data) noexcept
{
    Sha256 hash;
    hash.Update(data);
    return hash.Final();
}

HmacSha256::HmacSha256(std::span<const std::uint8_t> key) noexcept
{
    std::array<std::uint8_t, Sha256::kBlockSize> pad{};
    if (key.size() > pad.size()) {
        Sha256Digest hashedKey = Sha256Of(key);
        std::memcpy(pad.data(), hashedKey.data(), hashedKey.size());
        WipeBytes(hashedKey.data(), hashedKey.size());
    } else if (!key.empty()) {
        std::memcpy(pad.data(), key.data(), key.size());
    }
    for (std::uint8_t& byte : pad)
        byte ^= 0x36;
    inner_.Update(pad);
    for (std::uint8_t& byte : pad)
        byte ^= 0x36 ^ 0x5c;
    outer_.Update(pad);
    WipeBytes(pad.data(), pad.size());
}

Sha256Digest HmacSha256::Mac(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second) const noexcept
{
    Sha256 inner = inner_;
    inner.Update(first);
    inner.Update(second);
    Sha256Digest innerDigest = inner.Final();
    Sha256 outer = outer_;
    outer.Update(innerDigest);
    WipeBytes(innerDigest.data(), innerDigest.size());
    return outer.Final();
}

namespace {

// One block of the derived key: U1 = PRF(salt || index), Uj = PRF(Uj-1), block = U1 ^ ... ^ Uc.
void Pbkdf2Block(const HmacSha256& prf, std::span<const std::uint8_t> salt, std::uint32_t iterations,
                 std::uint32_t index, Sha256Digest& block) noexcept
{
    std::array<std::uint8_t, 4> indexBytes;
    StoreBigEndian(index, indexBytes.data(), indexBytes.size());
    Sha256Digest u = prf.Mac(salt, indexBytes);
    block = u;
    for (std::uint32_t j = 1; j < iterations; ++j) {
        u = prf.Mac(u);
        for (std::size_t k = 0; k < block.size(); ++k)
            block[k] ^= u[k];
    }
    WipeBytes(u.data(), u.size());
}

}  // namespace

void Pbkdf2HmacSha256(std::span<const std::uint8_t> password, std::span<const std::uint8_t> salt,
                      std::uint32_t iterations, std::span<std::uint8_t> out) noexcept
{
    const HmacSha256 prf(password);
    Sha256Digest block;
    for (std::uint32_t index = 1; !out.empty(); ++index) {
        Pbkdf2Block(prf, salt, iterations, index, block);
        const std::size_t count = std::min(out.size(), block.size());
        std::memcpy(out.data(), block.data(), count);
        out = out.subspan(count);
    }
    WipeBytes(block.data(), block.size());
}

bool PortablePasswordCrypto::DeriveKey(std::string_view password, std::span<const std::uint8_t> salt,
                                       std::uint32_t iterations, std::span<std::uint8_t> out)
{
    if (iterations == 0)
        return false;
    const std::span<const std::uint8_t> passwordBytes(reinterpret_cast<const std::uint8_t*>(password.data()),
                                                      password.size());
    Pbkdf2HmacSha256(passwordBytes, salt, iterations, out);
    return true;
}

bool PortablePasswordCrypto::FillRandom(std::span<std::uint8_t> out)
{
    try {
        std::random_device device;
        for (std::size_t i = 0; i < out.size(); i += 4) {
            const std::uint32_t value = device();
            for (std::size_t k = 0; k < 4 && i + k < out.size(); ++k)
                out[i + k] = static_cast<std::uint8_t>(value >> (8 * k));
        }
        return true;
    } catch (const std::exception&) {
        return false;  // no entropy source: the caller refuses to make a hash
    }
}

}  // namespace vardex
