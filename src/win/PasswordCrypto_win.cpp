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

struct HashHandleTraits {
    using Handle = BCRYPT_HASH_HANDLE;
    static Handle Empty() noexcept { return nullptr; }
    static void Close(Handle handle) noexcept { BCryptDestroyHash(handle); }
};
using UniqueHash = UniqueHandle<HashHandleTraits>;

UniqueAlgorithm OpenHmac(LPCWSTR algorithm) noexcept
{
    BCRYPT_ALG_HANDLE handle = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, algorithm, nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG)))
        return UniqueAlgorithm();
    return UniqueAlgorithm(handle);
}

}  // namespace

bool Win32PasswordCrypto::DeriveKey(std::string_view password, std::span<const std::uint8_t> salt,
                                    std::uint32_t iterations, std::span<std::uint8_t> out)
{
    if (!FitsInUlong(password.size()) || !FitsInUlong(salt.size()) || !FitsInUlong(out.size()))
        return false;
    const UniqueAlgorithm algorithm = OpenHmac(BCRYPT_SHA256_ALGORITHM);
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

bool Win32PasswordCrypto::HmacSha1(std::span<const std::uint8_t> key, std::span<const std::uint8_t> message,
                                   std::span<std::uint8_t, 20> out)
{
    if (!FitsInUlong(key.size()) || !FitsInUlong(message.size()))
        return false;
    const UniqueAlgorithm algorithm = OpenHmac(BCRYPT_SHA1_ALGORITHM);
    if (!algorithm)
        return false;
    // Windows 7 leaves the hash object's memory to the caller: its size first.
    DWORD objectSize = 0;
    ULONG written = 0;
    if (!BCRYPT_SUCCESS(BCryptGetProperty(algorithm.Get(), BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&objectSize),
                                          sizeof objectSize, &written, 0)))
        return false;
    std::vector<UCHAR> object(objectSize);
    // The calls take writable buffers: copies, the key's wiped afterwards.
    WipedString keyCopy{std::string(key.begin(), key.end())};
    std::vector<UCHAR> messageCopy(message.begin(), message.end());
    BCRYPT_HASH_HANDLE handle = nullptr;
    if (!BCRYPT_SUCCESS(BCryptCreateHash(algorithm.Get(), &handle, object.data(), objectSize,
                                         reinterpret_cast<PUCHAR>(keyCopy.Text().data()),
                                         static_cast<ULONG>(key.size()), 0)))
        return false;
    const UniqueHash hash(handle);
    return BCRYPT_SUCCESS(BCryptHashData(hash.Get(), messageCopy.data(), static_cast<ULONG>(messageCopy.size()), 0)) &&
           BCRYPT_SUCCESS(BCryptFinishHash(hash.Get(), out.data(), static_cast<ULONG>(out.size()), 0));
}

}  // namespace vardex
