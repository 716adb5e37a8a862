#include "Settings.h"

#include "Schedule.h"
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

void LoadServiceSettings(LockServiceSettings& s, Registry& registry, const std::string& userKey,
                         const std::string& programDirectory, const RegionalFormats& formats)
{
    namespace N = SettingNames;
    s = DefaultServiceSettings(userKey, programDirectory);
    const std::unique_ptr<RegistryKey> key = OpenSettingsKey(registry);
    if (!key)
        return;
    const auto same = [](std::int32_t v) { return v; };
    ReadText(*key, N::AdminPassword, s.AdminPassword);
    ReadFlag(*key, N::StatisticsEnabled, s.StatisticsEnabled);
    ReadText(*key, N::BackgroundFile, s.BackgroundFile);
    ReadFlag(*key, N::ShowBackground, s.ShowBackground);
    ReadFlag(*key, N::ScreenSaverMode, s.ScreenSaverMode);
    ReadText(*key, userKey + N::UserPassword, s.UserPassword);
    ReadNumber(*key, N::PowerSaveTimeout, s.PowerSaveDelay, [](std::int32_t v) { return v / 3; });
    ReadNumber(*key, N::PowerSaveMode, s.PowerSaveMode, same);
    ReadNumber(*key, N::HotKey, s.HotKey, [](std::int32_t v) { return static_cast<std::uint16_t>(v & 0xFFFF); });
    if (auto schedule = ReadTextValue(*key, userKey + N::Schedule))
        ParseSchedule(*schedule, formats, s.Periods);
    ReadFlag(*key, userKey + N::RestrictBySchedule, s.RestrictBySchedule);
    ReadNumber(*key, userKey + N::CounterDay, s.CounterDay, same);
    ReadNumber(*key, userKey + N::UsedSeconds, s.UsedSeconds, [](std::int32_t v) { return static_cast<std::uint32_t>(v); });
    ReadNumber(*key, userKey + N::AllowedHours, s.AllowedSeconds, [](std::int32_t v) { return std::int64_t{v} * 3600; });
    ReadFlag(*key, userKey + N::RestrictByDuration, s.RestrictByDuration);
    ReadFlag(*key, N::ShutdownAllowed, s.ShutdownAllowed);
    ReadFlag(*key, N::LockAtStartup, s.LockAtStartup);
}

}  // namespace vardex
