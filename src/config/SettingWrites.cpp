#include "SettingWrites.h"

#include "Settings.h"
#include "common/Accounts.h"
#include "common/Errors.h"
#include "common/Texts.h"
#include "common/PasswordHash.h"
#include "common/RegValues.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace vardex {

namespace {

struct Target {
    const SettingDefinition* definition = nullptr;  // nothing: the network logon flag
    std::string userKey;
};

bool IsPassword(const SettingDefinition& definition)
{
    return definition.name == std::string_view(SettingNames::AdminPassword) ||
           definition.name == std::string_view(SettingNames::UserPassword);
}

// The value the name stands for, when the window writes such a value.
std::optional<Target> TargetOf(const std::string& name, std::span<const std::string> listedUserKeys)
{
    if (name == kNetworkLogonValueName)
        return Target{};
    for (const SettingDefinition& definition : SettingsTable()) {
        if (definition.window == WindowUse::None)
            continue;
        if (definition.scope == SettingScope::Global) {
            if (name == definition.name)
                return Target{&definition, {}};
            continue;
        }
        const std::string_view code = definition.name;
        if (name.size() <= code.size() || !name.ends_with(code))
            continue;
        const std::string userKey = name.substr(0, name.size() - code.size());
        if (userKey == kDefaultUserKey ||
            std::find(listedUserKeys.begin(), listedUserKeys.end(), userKey) != listedUserKeys.end())
            return Target{&definition, userKey};
    }
    return std::nullopt;
}

std::size_t KindIndex(SettingKind kind)
{
    switch (kind) {
    case SettingKind::Text: return 0;
    case SettingKind::Number: return 1;
    case SettingKind::Flag: return 2;
    }
    return 0;
}

std::string WhyNot(const SettingDefinition& definition, const SettingValue& value)
{
    if (value.index() != KindIndex(definition.kind))
        return EnglishText(TextId::MessageRefusalKind);
    if (const auto* number = std::get_if<std::int32_t>(&value); number && (*number < definition.low || *number > definition.high))
        return EnglishMessage(TextId::MessageRefusalRange, {std::to_string(definition.low), std::to_string(definition.high)});
    const auto* text = std::get_if<std::string>(&value);
    if (text && text->size() > kMaxSettingTextBytes)
        return EnglishMessage(TextId::MessageRefusalLength, {std::to_string(kMaxSettingTextBytes)});
    if (text && text->find('\0') != std::string::npos)
        return EnglishText(TextId::MessageRefusalNull);
    if (text && definition.textIsValid && !definition.textIsValid(*text))
        return EnglishText(TextId::MessageRefusalForm);
    if (text && IsPassword(definition) && !text->empty() && ClassifyStoredPassword(*text) != StoredPasswordKind::Hash)
        return EnglishText(TextId::MessageRefusalHash);
    return {};
}
}  // namespace

std::optional<std::string> RefusalOf(const SettingWrite& write, std::span<const std::string> listedUserKeys)
{
    const std::optional<Target> target = TargetOf(write.name, listedUserKeys);
    if (!target)
        return EnglishMessage(TextId::MessageRefusalNotWritten, {write.name});
    const std::string why = target->definition                          ? WhyNot(*target->definition, write.value)
                            : std::holds_alternative<bool>(write.value) ? std::string()
                                                                        : EnglishText(TextId::MessageRefusalKind);
    if (why.empty())
        return std::nullopt;
    return EnglishMessage(TextId::MessageRefusalValue, {write.name, why});
}

namespace {
// The key a value lies in: the settings key, or Windows' network logon key.
std::pair<RegistryKey*, std::string> Place(const SettingWrite& write, RegistryKey& settings,
                                           std::unique_ptr<RegistryKey>& logon, Registry& registry, bool forWriting)
{
    if (write.name != kNetworkLogonValueName)
        return {&settings, write.name};
    if (!logon)
        logon = registry.Open(RootKey::LocalMachine, kNetworkLogonKeyPath, forWriting ? KeyAccess::Full : KeyAccess::Read,
                              forWriting);
    return {logon.get(), kMustBeValidatedName};
}

void WriteValue(RegistryKey& key, const std::string& name, const SettingValue& value)
{
    if (const auto* text = std::get_if<std::string>(&value))
        WriteTextValue(key, name, *text);
    else if (const auto* number = std::get_if<std::int32_t>(&value))
        WriteIntegerValue(key, name, *number);
    else
        WriteFlagValue(key, name, std::get<bool>(value));
}

std::optional<SettingValue> ReadValue(RegistryKey& key, const std::string& name, const SettingValue& like)
{
    if (std::holds_alternative<std::string>(like)) {
        if (auto text = ReadTextValue(key, name))
            return SettingValue(std::move(*text));
    } else if (std::holds_alternative<std::int32_t>(like)) {
        if (auto number = ReadIntegerValue(key, name))
            return SettingValue(*number);
    } else if (auto flag = ReadFlagValue(key, name)) {
        return SettingValue(*flag);
    }
    return std::nullopt;
}
}  // namespace

void WriteSettings(Registry& registry, const std::vector<SettingWrite>& writes)
{
    const std::unique_ptr<RegistryKey> key = registry.Open(RootKey::LocalMachine, kSettingsKeyPath, KeyAccess::Full, true);
    if (!key)
        throw SaveError(EnglishMessage(TextId::MessageKeyNotWritable, {kSettingsKeyPath}));
    std::unique_ptr<RegistryKey> logon;
    for (const SettingWrite& write : writes) {
        try {
            const auto [place, name] = Place(write, *key, logon, registry, true);
            if (!place)
                throw RegistryError::FailedToSetData(write.name);
            WriteValue(*place, name, write.value);
        } catch (const RegistryError& error) {
            throw SaveError(EnglishMessage(TextId::MessageNotAllSaved, {error.what()}));
        }
    }
}

std::vector<SettingWrite> ChangedWrites(Registry& registry, const std::vector<SettingWrite>& writes)
{
    const std::unique_ptr<RegistryKey> key = registry.Open(RootKey::LocalMachine, kSettingsKeyPath, KeyAccess::Read, false);
    if (!key)
        return writes;
    std::unique_ptr<RegistryKey> logon;
    std::vector<SettingWrite> changed;
    for (const SettingWrite& write : writes) {
        std::optional<SettingValue> stored;
        try {
            const auto [place, name] = Place(write, *key, logon, registry, false);
            if (place)
                stored = ReadValue(*place, name, write.value);
        } catch (const RegistryError&) {
            // Of another type: written again.
        }
        if (stored != write.value)
            changed.push_back(write);
    }
    return changed;
}

}  // namespace vardex
