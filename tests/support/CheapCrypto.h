#pragma once
// The password crypto for tests that make and check their own hashes: the library's PBKDF2 at one
// iteration whatever count is asked, so that hashes at the real counts cost microseconds under the
// sanitizers. A hash text made elsewhere needs the real count: use NativePasswordCrypto there.
#include "common/NativeCrypto.h"

namespace vardex::test {

class CheapCrypto final : public PasswordCrypto {
public:
    bool DeriveKey(std::string_view password, std::span<const std::uint8_t> salt, std::uint32_t /*iterations*/,
                   std::span<std::uint8_t> out) override
    {
        return real_.DeriveKey(password, salt, 1, out);
    }
    bool FillRandom(std::span<std::uint8_t> out) override { return real_.FillRandom(out); }
    bool HmacSha1(std::span<const std::uint8_t> key, std::span<const std::uint8_t> message,
                  std::span<std::uint8_t, 20> out) override
    {
        return real_.HmacSha1(key, message, out);
    }

private:
    NativePasswordCrypto real_;
};

}  // namespace vardex::test
