#include "NativeCrypto.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <climits>

namespace vardex {

bool NativePasswordCrypto::DeriveKey(std::string_view password, std::span<const std::uint8_t> salt,
                                     std::uint32_t iterations, std::span<std::uint8_t> out)
{
    // The library takes int sizes: anything larger is refused, never cut short.
    if (iterations == 0 || iterations > INT_MAX || password.size() > INT_MAX || salt.size() > INT_MAX ||
        out.size() > INT_MAX)
        return false;
    return PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(), static_cast<int>(salt.size()),
                             static_cast<int>(iterations), EVP_sha256(), static_cast<int>(out.size()), out.data()) == 1;
}

bool NativePasswordCrypto::FillRandom(std::span<std::uint8_t> out)
{
    return out.size() <= INT_MAX && RAND_bytes(out.data(), static_cast<int>(out.size())) == 1;
}

bool NativePasswordCrypto::HmacSha1(std::span<const std::uint8_t> key, std::span<const std::uint8_t> message,
                                    std::span<std::uint8_t, 20> out)
{
    unsigned length = 0;
    return key.size() <= INT_MAX &&
           HMAC(EVP_sha1(), key.data(), static_cast<int>(key.size()), message.data(), message.size(), out.data(),
                &length) != nullptr &&
           length == out.size();
}

}  // namespace vardex
