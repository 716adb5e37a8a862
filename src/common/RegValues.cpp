#include "RegValues.h"

#include "Errors.h"

namespace vardex {

static std::optional<RegValue> ReadOfType(RegistryKey& key, const std::string& name,
                                          bool (*accepts)(RegType))
{
    std::optional<RegValue> value = key.Read(name);
    if (value && !accepts(value->type))
        throw RegistryError::InvalidDataType(name);
    return value;
}

static bool IsStringType(RegType type)
{
    return type == RegType::String || type == RegType::ExpandString;
}

static bool IsIntegerType(RegType type)
{
    return type == RegType::Integer;
}

std::optional<std::string> ReadTextValue(RegistryKey& key, const std::string& name)
{
    if (auto value = ReadOfType(key, name, IsStringType))
        return std::move(value->text);
    return std::nullopt;
}

std::optional<std::int32_t> ReadIntegerValue(RegistryKey& key, const std::string& name)
{
    if (auto value = ReadOfType(key, name, IsIntegerType))
        return value->number;
    return std::nullopt;
}

std::optional<bool> ReadFlagValue(RegistryKey& key, const std::string& name)
{
    if (auto number = ReadIntegerValue(key, name))
        return *number != 0;
    return std::nullopt;
}

static void WriteChecked(RegistryKey& key, const std::string& name, const RegValue& value)
{
    if (!key.Write(name, value))
        throw RegistryError::FailedToSetData(name);
}

void WriteTextValue(RegistryKey& key, const std::string& name, const std::string& text)
{
    WriteChecked(key, name, RegValue::String(text));
}

void WriteIntegerValue(RegistryKey& key, const std::string& name, std::int32_t number)
{
    WriteChecked(key, name, RegValue::Integer(number));
}

void WriteFlagValue(RegistryKey& key, const std::string& name, bool flag)
{
    WriteIntegerValue(key, name, flag ? 1 : 0);
}

std::string ReadRegValueText(Registry& registry, RootKey root, std::string_view path,
                             const std::string& name)
{
    const auto key = registry.Open(root, path, KeyAccess::Full, false);
    if (!key)
        return {};
    const std::optional<RegValue> value = key->Read(name);
    if (!value)
        return {};
    switch (value->type) {
    case RegType::String:
    case RegType::ExpandString: return value->text;
    case RegType::Integer: return std::to_string(value->number);
    case RegType::Other: break;
    }
    return {};
}

std::int32_t ParseCounterText(const std::string& text)
{
    constexpr std::uint64_t kMax = 2147483647u;
    std::uint64_t number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            throw ConversionError::NotAnInteger("0" + text);
        number = number * 10u + static_cast<std::uint64_t>(c - '0');
        if (number > kMax)
            throw ConversionError::NotAnInteger("0" + text);
    }
    return static_cast<std::int32_t>(number);
}

void WriteRegValueText(Registry& registry, RootKey root, std::string_view path,
                       RegValueKind kind, const std::string& text, const std::string& name)
{
    RegValue value;
    switch (kind) {
    case RegValueKind::String: value = RegValue::String(text); break;
    case RegValueKind::ExpandString: value = RegValue::ExpandString(text); break;
    case RegValueKind::Integer: value = RegValue::Integer(ParseCounterText(text)); break;
    default: return;
    }
    const auto key = registry.Open(root, path, KeyAccess::Full, true);
    if (key)
        WriteChecked(*key, name, value);
}

}  // namespace vardex
