#include "PasswordCrypto_win.h"

#include "UniqueHandle_win.h"
#include "common/WipedString.h"

#include <bcrypt.h>

#include <limits>
#include <vector>

namespace vardex {

namespace {

struct AlgorithmHandleTraits {
    using Handle = BCRYPT_ALG_HANDLE;
    static Handle Empty() noexcept { return nullptr; }
    static void Close(Handle handle) noexcept { BCryptCloseAlgorithmProvider(handle, 0); }
};
using UniqueAlgorithm = UniqueHandle<AlgorithmHandleTraits>;

bool FitsInUlong(std::size_t size) noexcept
{
    return size <= std::numeric_limits<ULONG>::max();
}

UniqueAlgorithm OpenHmacSha256() noexcept
{
    BCRYPT_ALG_HANDLE handle = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr,
                                                    BCRYPT_ALG_HANDLE_HMAC_FLAG)))
        return UniqueAlgorithm();
    return UniqueAlgorithm(handle);
}

}  // namespace

bool Win32PasswordCrypto::DeriveKey(std::string_view password, std::span<const std::uint8_t> salt,
                                    std::uint32_t iterations, std::span<std::uint8_t> out)
{
    if (!FitsInUlong(password.size()) || !FitsInUlong(salt.size()) || !FitsInUlong(out.size()))
        return false;
    const UniqueAlgorithm algorithm = OpenHmacSha256();
    if (!algorithm)
        return false;
    // The call takes writable buffers: hand it copies, the password's wiped afterwards. The
    // bytes go as given (UTF-8), so that the same text hashes alike on every build.
    WipedString passwordCopy{std::string(password)};
    std::vector<UCHAR> saltCopy(salt.begin(), salt.end());
    const NTSTATUS status = BCryptDeriveKeyPBKDF2(
        algorithm.Get(), reinterpret_cast<PUCHAR>(passwordCopy.Text().data()), static_cast<ULONG>(password.size()),
        saltCopy.data(), static_cast<ULONG>(saltCopy.size()), iterations, out.data(), static_cast<ULONG>(out.size()),
        0);
    return BCRYPT_SUCCESS(status);
}

bool Win32PasswordCrypto::FillRandom(std::span<std::uint8_t> out)
{
    if (!FitsInUlong(out.size()))
        return false;
    return BCRYPT_SUCCESS(
        BCryptGenRandom(nullptr, out.data(), static_cast<ULONG>(out.size()), BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

}  // namespace vardex
