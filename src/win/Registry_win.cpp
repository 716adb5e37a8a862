#include "Registry_win.h"

#include "TextConvert_win.h"
#include "UniqueHandle_win.h"

#include <windows.h>

#include <vector>

namespace vardex {

namespace {

HKEY RootHandle(RootKey root)
{
    return root == RootKey::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

REGSAM Rights(KeyAccess access)
{
    return access == KeyAccess::Full ? KEY_ALL_ACCESS : (KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS);
}

std::string TextUpToZero(const std::vector<BYTE>& data)
{
    const auto* chars = reinterpret_cast<const wchar_t*>(data.data());
    const size_t count = data.size() / sizeof(wchar_t);
    size_t length = 0;
    while (length < count && chars[length] != L'\0')
        ++length;
    return Narrow(std::wstring_view(chars, length));
}

class Win32RegistryKey final : public RegistryKey {
public:
    explicit Win32RegistryKey(UniqueRegKey key) : key_(std::move(key)) {}

    std::optional<RegValue> Read(std::string_view name) override
    {
        const std::wstring wideName = Widen(name);
        DWORD type = 0;
        DWORD size = 0;
        LSTATUS status = RegQueryValueExW(key_.Get(), wideName.c_str(), nullptr, &type, nullptr, &size);
        if (status != ERROR_SUCCESS)
            return std::nullopt;
        std::vector<BYTE> data;
        do {  // the value may grow between the two calls
            data.assign(size + sizeof(wchar_t), 0);
            size = static_cast<DWORD>(data.size());
            status = RegQueryValueExW(key_.Get(), wideName.c_str(), nullptr, &type, data.data(), &size);
        } while (status == ERROR_MORE_DATA);
        if (status != ERROR_SUCCESS)
            return std::nullopt;
        data.resize(size);
        switch (type) {
        case REG_SZ: return RegValue::String(TextUpToZero(data));
        case REG_EXPAND_SZ: return RegValue::ExpandString(TextUpToZero(data));
        case REG_DWORD:
            if (data.size() == sizeof(DWORD)) {
                DWORD number = 0;
                memcpy(&number, data.data(), sizeof number);
                return RegValue::Integer(static_cast<std::int32_t>(number));
            }
            break;
        default: break;
        }
        return RegValue{};
    }

    bool Write(std::string_view name, const RegValue& value) override
    {
        const std::wstring wideName = Widen(name);
        if (value.type == RegType::Integer) {
            const auto number = static_cast<DWORD>(value.number);
            return RegSetValueExW(key_.Get(), wideName.c_str(), 0, REG_DWORD,
                                  reinterpret_cast<const BYTE*>(&number), sizeof number) == ERROR_SUCCESS;
        }
        if (value.type == RegType::Other)
            return false;
        const std::wstring text = Widen(value.text);
        const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
        const DWORD type = value.type == RegType::String ? REG_SZ : REG_EXPAND_SZ;
        return RegSetValueExW(key_.Get(), wideName.c_str(), 0, type,
                              reinterpret_cast<const BYTE*>(text.c_str()), bytes) == ERROR_SUCCESS;
    }

    std::vector<std::string> SubKeyNames() override
    {
        std::vector<std::string> names;
        DWORD maxLength = 0;
        if (RegQueryInfoKeyW(key_.Get(), nullptr, nullptr, nullptr, nullptr, &maxLength, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return names;
        std::wstring name(maxLength + 1, L'\0');
        for (DWORD index = 0;; ++index) {
            DWORD length = static_cast<DWORD>(name.size());
            const LSTATUS status = RegEnumKeyExW(key_.Get(), index, name.data(), &length, nullptr,
                                                 nullptr, nullptr, nullptr);
            if (status == ERROR_MORE_DATA) {  // a longer name was added meanwhile
                name.resize(name.size() * 2);
                --index;
                continue;
            }
            if (status != ERROR_SUCCESS)
                break;
            names.push_back(Narrow(std::wstring_view(name.data(), length)));
        }
        return names;
    }

private:
    UniqueRegKey key_;
};

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::Open(RootKey root, std::string_view path,
                                                 KeyAccess access, bool create)
{
    const std::wstring widePath = Widen(path);
    HKEY handle = nullptr;
    LSTATUS status;
    if (create)
        status = RegCreateKeyExW(RootHandle(root), widePath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 Rights(access), nullptr, &handle, nullptr);
    else
        status = RegOpenKeyExW(RootHandle(root), widePath.c_str(), 0, Rights(access), &handle);
    if (status != ERROR_SUCCESS)
        return nullptr;
    return std::make_unique<Win32RegistryKey>(UniqueRegKey(handle));
}

}  // namespace vardex
