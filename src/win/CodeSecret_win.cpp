#include "CodeSecret_win.h"

#include "TextConvert_win.h"
#include "UniqueHandle_win.h"
#include "common/Errors.h"
#include "common/Texts.h"

#include <windows.h>

#include <sddl.h>

namespace vardex {

namespace {
enum class SecretUse { Read, Store };

std::string Refusal(SecretUse use, LSTATUS status)
{
    const bool denied = status == ERROR_ACCESS_DENIED;
    const TextId text = use == SecretUse::Store
                            ? (denied ? TextId::MessageSecretNotStoredDenied : TextId::MessageSecretNotStored)
                            : (denied ? TextId::MessageSecretNotReadDenied : TextId::MessageSecretNotRead);
    return EnglishMessage(text, {std::to_string(status)});
}

struct LocalMemoryTraits {
    using Handle = PSECURITY_DESCRIPTOR;
    static Handle Empty() noexcept { return nullptr; }
    static void Close(Handle handle) noexcept { LocalFree(handle); }
};
}  // namespace

std::optional<std::string> Win32SecretStore::Read(std::string_view name)
{
    HKEY opened = nullptr;
    LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCodeSecretKeyPath, 0, KEY_QUERY_VALUE, &opened);
    if (status == ERROR_FILE_NOT_FOUND)
        return std::nullopt;
    if (status != ERROR_SUCCESS)
        throw Error(Refusal(SecretUse::Read, status));
    const UniqueRegKey key(opened);
    const std::wstring valueName = Widen(name);
    wchar_t buffer[256] = {};
    DWORD type = 0, size = sizeof buffer - sizeof(wchar_t);
    status = RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if (status == ERROR_FILE_NOT_FOUND)
        return std::nullopt;
    if (status != ERROR_SUCCESS || type != REG_SZ)
        throw Error(Refusal(SecretUse::Read, status == ERROR_SUCCESS ? ERROR_INVALID_DATA : status));
    SecureZeroMemory(buffer + size / sizeof(wchar_t), sizeof buffer - size);
    std::string text = Narrow(std::wstring_view(buffer, wcsnlen(buffer, size / sizeof(wchar_t))));
    SecureZeroMemory(buffer, sizeof buffer);
    return text;
}

void Win32SecretStore::Write(std::string_view name, const std::string& text)
{
    PSECURITY_DESCRIPTOR made = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kCodeSecretAccess, SDDL_REVISION_1, &made, nullptr))
        throw Error(Refusal(SecretUse::Store, static_cast<LSTATUS>(GetLastError())));
    const UniqueHandle<LocalMemoryTraits> descriptor(made);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.Get(), FALSE};
    HKEY created = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kCodeSecretKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE | WRITE_DAC, &attributes, &created, nullptr);
    if (status != ERROR_SUCCESS)
        throw Error(Refusal(SecretUse::Store, status));
    const UniqueRegKey key(created);
    status = RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, descriptor.Get());
    if (status != ERROR_SUCCESS)
        throw Error(Refusal(SecretUse::Store, status));
    const std::wstring valueName = Widen(name), value = Widen(text);
    status = RegSetValueExW(key.Get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS)
        throw Error(Refusal(SecretUse::Store, status));
}

}  // namespace vardex
