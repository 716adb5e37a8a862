#include "Settings.h"

#include "SettingsTable.h"
#include "common/Errors.h"
#include "common/PasswordHash.h"
#include "common/Texts.h"

#include <algorithm>
#include <functional>

namespace vardex {

LockServiceSettings DefaultServiceSettings(const std::string& userKey, const std::string& programDirectory)
{
    LockServiceSettings settings;
    std::vector<std::string> problems;
    const RegionalFormats formats;
    ServiceLoad load{settings, formats, problems};
    for (const SettingDefinition& definition : SettingsTable())
        if (definition.toService && definition.serviceDefault)
            definition.toService(load, *definition.serviceDefault);
    settings.UserKey = userKey;
    // The default picture is the one in the program folder.
    settings.BackgroundFile = programDirectory + settings.BackgroundFile;
    return settings;
}

namespace {
std::unique_ptr<RegistryKey> OpenSettingsKey(Registry& registry)
{
    if (auto key = registry.Open(RootKey::LocalMachine, kSettingsKeyPath, KeyAccess::Full, false))
        return key;
    // An account without write access under the machine key still gets its settings: its
    // passwords and restrictions must hold, only the day counters cannot be stored.
    return registry.Open(RootKey::LocalMachine, kSettingsKeyPath, KeyAccess::Read, false);
}

std::string MalformedPasswordText(const std::string& valueName)
{
    return EnglishMessage(TextId::MessageInvalidPasswordHash, {valueName});
}

// A malformed stored password refuses every entry; the report names the value, never its text.
void ReportMalformedPasswords(const LockServiceSettings& settings, const std::string& userKey,
                              std::vector<std::string>& problems)
{
    const std::pair<const std::string&, std::string> passwords[] = {
        {settings.AdminPassword, SettingNames::AdminPassword},
        {settings.UserPassword, SettingValueName(FindSetting(SettingNames::UserPassword), userKey)},
    };
    for (const auto& [stored, valueName] : passwords)
        if (ClassifyStoredPassword(stored) == StoredPasswordKind::Malformed)
            problems.push_back(MalformedPasswordText(valueName));
}
}  // namespace

std::string UnreadablePeriodText(const std::string& period)
{
    return EnglishMessage(TextId::MessageInvalidPeriod, {period});
}

std::string UnreadableDayPeriodsText(const std::string& valueName)
{
    return EnglishMessage(TextId::MessageInvalidDayPeriods, {valueName});
}

std::vector<std::string> LoadServiceSettings(LockServiceSettings& settings, Registry& registry,
                                             const std::string& userKey, const std::string& programDirectory,
                                             const RegionalFormats& timeFormats)
{
    settings = DefaultServiceSettings(userKey, programDirectory);
    std::vector<std::string> problems;
    const std::unique_ptr<RegistryKey> key = OpenSettingsKey(registry);
    if (!key)
        return problems;
    ServiceLoad load{settings, timeFormats, problems};
    // A value of the wrong type keeps its default and is reported; the values after it are
    // still read, so that one bad value cannot switch off the restrictions.
    for (const SettingDefinition& definition : SettingsTable()) {
        if (!definition.toService)
            continue;
        try {
            if (const std::optional<SettingValue> value = ReadSetting(*key, definition, userKey))
                definition.toService(load, *value);
        } catch (const RegistryError& error) {
            problems.emplace_back(error.what());
        }
    }
    ReportMalformedPasswords(settings, userKey, problems);
    return problems;
}

}  // namespace vardex

namespace vardex {

std::optional<std::vector<std::int32_t>> ParseWarningMinutes(std::string_view text)
{
    constexpr std::size_t kMostWarnings = 8;
    constexpr std::int32_t kMostMinutes = 1440;
    std::vector<std::int32_t> minutes;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        std::string_view part = text.substr(0, comma);
        while (!part.empty() && part.front() == ' ')
            part.remove_prefix(1);
        while (!part.empty() && part.back() == ' ')
            part.remove_suffix(1);
        if (part.empty() || part.size() > 4 || part.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        std::int32_t value = 0;
        for (const char c : part)
            value = value * 10 + (c - '0');
        if (value < 1 || value > kMostMinutes || minutes.size() == kMostWarnings)
            return std::nullopt;
        minutes.push_back(value);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    if (minutes.empty())
        return std::nullopt;
    std::sort(minutes.begin(), minutes.end(), std::greater<>());
    minutes.erase(std::unique(minutes.begin(), minutes.end()), minutes.end());
    return minutes;
}

}  // namespace vardex
