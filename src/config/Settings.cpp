#include "Settings.h"

#include "Schedule.h"
#include "common/Errors.h"
#include "common/RegValues.h"


namespace vardex {

LockServiceSettings DefaultServiceSettings(const std::string& userKey, const std::string& programDirectory)
{
    LockServiceSettings settings;
    settings.UserKey = userKey;
    settings.BackgroundFile = programDirectory + kDefaultBackgroundName;
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

template <typename Field>
void ReadText(RegistryKey& key, const std::string& name, Field& field)
{
    if (auto value = ReadTextValue(key, name))
        field = std::move(*value);
}

template <typename Field>
void ReadFlag(RegistryKey& key, const std::string& name, Field& field)
{
    if (auto value = ReadFlagValue(key, name))
        field = *value;
}

template <typename Field, typename Convert>
void ReadNumber(RegistryKey& key, const std::string& name, Field& field, Convert convert)
{
    if (auto value = ReadIntegerValue(key, name))
        field = convert(*value);
}

}  // namespace

std::string UnreadablePeriodText(const std::string& period)
{
    return "Invalid time period '" + period + "'";
}

std::vector<std::string> LoadServiceSettings(LockServiceSettings& s, Registry& registry, const std::string& userKey,
                                             const std::string& programDirectory, const RegionalFormats& timeFormats)
{
    namespace N = SettingNames;
    s = DefaultServiceSettings(userKey, programDirectory);
    std::vector<std::string> problems;
    const std::unique_ptr<RegistryKey> key = OpenSettingsKey(registry);
    if (!key)
        return problems;
    // A value of the wrong type keeps its default and is reported; the values after it are
    // still read, so that one bad value cannot switch off the restrictions.
    const auto read = [&problems](auto&& readValue) {
        try {
            readValue();
        } catch (const RegistryError& error) {
            problems.emplace_back(error.what());
        }
    };
    const auto same = [](std::int32_t v) { return v; };
    RegistryKey& k = *key;
    read([&] { ReadText(k, N::AdminPassword, s.AdminPassword); });
    read([&] { ReadFlag(k, N::StatisticsEnabled, s.StatisticsEnabled); });
    read([&] { ReadText(k, N::BackgroundFile, s.BackgroundFile); });
    read([&] { ReadFlag(k, N::ShowBackground, s.ShowBackground); });
    read([&] { ReadFlag(k, N::ScreenSaverMode, s.ScreenSaverMode); });
    read([&] { ReadText(k, userKey + N::UserPassword, s.UserPassword); });
    read([&] { ReadNumber(k, N::PowerSaveTimeout, s.PowerSaveDelay, [](std::int32_t v) { return v / 3; }); });
    read([&] { ReadNumber(k, N::PowerSaveMode, s.PowerSaveMode, same); });
    read([&] {
        ReadNumber(k, N::HotKey, s.HotKey, [](std::int32_t v) { return static_cast<std::uint16_t>(v & 0xFFFF); });
    });
    read([&] {
        if (auto schedule = ReadTextValue(k, userKey + N::Schedule))
            for (const std::string& period : ParseSchedule(*schedule, timeFormats, s.Periods).unreadable)
                problems.push_back(UnreadablePeriodText(period));
    });
    read([&] { ReadFlag(k, userKey + N::RestrictBySchedule, s.RestrictBySchedule); });
    read([&] { ReadNumber(k, userKey + N::CounterDay, s.CounterDay, same); });
    read([&] {
        ReadNumber(k, userKey + N::UsedSeconds, s.UsedSeconds, [](std::int32_t v) { return static_cast<std::uint32_t>(v); });
    });
    read([&] {
        ReadNumber(k, userKey + N::AllowedHours, s.AllowedSeconds, [](std::int32_t v) { return std::int64_t{v} * 3600; });
    });
    read([&] { ReadFlag(k, userKey + N::RestrictByDuration, s.RestrictByDuration); });
    read([&] { ReadFlag(k, N::ShutdownAllowed, s.ShutdownAllowed); });
    read([&] { ReadFlag(k, N::LockAtStartup, s.LockAtStartup); });
    return problems;
}

}  // namespace vardex
