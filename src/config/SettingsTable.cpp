#include "SettingsTable.h"

#include "common/Texts.h"
#include "rules/Grants.h"

#include "Schedule.h"
#include "common/RegValues.h"

#include <stdexcept>

namespace vardex {

namespace {
namespace N = SettingNames;
using K = SettingKind;
using S = SettingScope;
using W = WindowUse;

const std::string& Text(const SettingValue& v)
{
    return std::get<std::string>(v);
}
std::int32_t Number(const SettingValue& v)
{
    return std::get<std::int32_t>(v);
}
bool Flag(const SettingValue& v)
{
    return std::get<bool>(v);
}

// A weekday's own periods: unreadable ones allow no time that day, and are reported.
template <std::size_t Day>
void TakeDayPeriods(ServiceLoad& l, const SettingValue& v)
{
    std::optional<std::vector<DayPeriod>> periods = ParseDayPeriods(Text(v));
    if (!periods) {
        l.problems.push_back(UnreadableDayPeriodsText(l.settings.UserKey + N::DayPeriods[Day]));
        periods.emplace();
    }
    l.settings.DayPeriods[Day] = std::move(periods);
}

template <std::size_t Day>
void TakeDayMinutes(ServiceLoad& l, const SettingValue& v)
{
    l.settings.DayAllowedSeconds[Day] = std::int64_t{Number(v)} * 60;
}

bool IsDayPeriodsText(std::string_view text)
{
    return ParseDayPeriods(text).has_value();
}

// Written by the window only once set: absent, a day keeps the every-day rule, and a saved
// default would take that away.
template <std::size_t Day>
constexpr SettingDefinition DayPeriodsRow()
{
    return {N::DayPeriods[Day], K::Text, S::PerUser, W::ReadWrite, std::string(), std::nullopt, TakeDayPeriods<Day>,
            INT32_MIN, INT32_MAX, IsDayPeriodsText, true};
}

template <std::size_t Day>
constexpr SettingDefinition DayMinutesRow()
{
    return {N::DayMinutes[Day], K::Number, S::PerUser, W::ReadWrite, 0, std::nullopt, TakeDayMinutes<Day>, 0, 1440,
            nullptr, true};
}

const SettingDefinition kSettings[] = {
    {N::AdminPassword, K::Text, S::Global, W::ReadWrite, std::string(), std::string(),
     [](ServiceLoad& l, const SettingValue& v) { l.settings.AdminPassword = Text(v); }},
    {N::StatisticsEnabled, K::Flag, S::Global, W::ReadWrite, false, false,
     [](ServiceLoad& l, const SettingValue& v) { l.settings.StatisticsEnabled = Flag(v); }},
    {N::BackgroundFile, K::Text, S::Global, W::ReadWrite, std::string(kDefaultBackgroundName),
     std::string(kDefaultBackgroundName),
     [](ServiceLoad& l, const SettingValue& v) { l.settings.BackgroundFile = Text(v); }},
    {N::ShowBackground, K::Flag, S::Global, W::ReadWrite, true, true,
     [](ServiceLoad& l, const SettingValue& v) { l.settings.ShowBackground = Flag(v); }},
    {N::ScreenSaverMode, K::Flag, S::Global, W::ReadWrite, false, false,
     [](ServiceLoad& l, const SettingValue& v) { l.settings.ScreenSaverMode = Flag(v); }},
    {N::UserPassword, K::Text, S::PerUser, W::ReadWrite, std::string(), std::string(),
     [](ServiceLoad& l, const SettingValue& v) { l.settings.UserPassword = Text(v); }},
    // Seconds, held as 3-second ticks.
    {N::PowerSaveTimeout, K::Number, S::Global, W::ReadWrite, 15, 15,
     [](ServiceLoad& l, const SettingValue& v) { l.settings.PowerSaveDelay = Number(v) / 3; }, 15, 1200},
    {N::PowerSaveMode, K::Number, S::Global, W::ReadWrite, 0, 0,
     [](ServiceLoad& l, const SettingValue& v) { l.settings.PowerSaveMode = Number(v); }, -1, 2},
    {N::HotKey, K::Number, S::Global, W::ReadWrite, std::int32_t{kDefaultHotKey}, std::int32_t{kDefaultHotKey},
     [](ServiceLoad& l, const SettingValue& v) { l.settings.HotKey = static_cast<std::uint16_t>(Number(v) & 0xFFFF); },
     0, 0xFFFF},
    {N::Schedule, K::Text, S::PerUser, W::ReadWrite, std::string(), std::string(),
     [](ServiceLoad& l, const SettingValue& v) {
         l.settings.Periods.clear();
         for (const std::string& period : ParseSchedule(Text(v), l.timeFormats, l.settings.Periods).unreadable)
             l.problems.push_back(UnreadablePeriodText(period));
     }},
    {N::RestrictBySchedule, K::Flag, S::PerUser, W::ReadWrite, false, false,
     [](ServiceLoad& l, const SettingValue& v) { l.settings.RestrictBySchedule = Flag(v); }},
    {N::CounterDay, K::Number, S::PerUser, W::None, 0, 0,
     [](ServiceLoad& l, const SettingValue& v) { l.settings.CounterDay = Number(v); }},
    {N::UsedSeconds, K::Number, S::PerUser, W::None, 0, 0,
     [](ServiceLoad& l, const SettingValue& v) { l.settings.UsedSeconds = static_cast<std::uint32_t>(Number(v)); }},
    // Hours, held as seconds.
    {N::AllowedHours, K::Number, S::PerUser, W::ReadWrite, 24, 24,
     [](ServiceLoad& l, const SettingValue& v) { l.settings.AllowedSeconds = std::int64_t{Number(v)} * 3600; }, 1, 24},
    {N::RestrictByDuration, K::Flag, S::PerUser, W::ReadWrite, false, false,
     [](ServiceLoad& l, const SettingValue& v) { l.settings.RestrictByDuration = Flag(v); }},
    {N::OwnWeekdayRules, K::Flag, S::PerUser, W::ReadWrite, false, false,
     [](ServiceLoad& l, const SettingValue& v) { l.settings.OwnWeekdayRules = Flag(v); }},
    DayPeriodsRow<0>(), DayPeriodsRow<1>(), DayPeriodsRow<2>(), DayPeriodsRow<3>(), DayPeriodsRow<4>(),
    DayPeriodsRow<5>(), DayPeriodsRow<6>(),
    DayMinutesRow<0>(), DayMinutesRow<1>(), DayMinutesRow<2>(), DayMinutesRow<3>(), DayMinutesRow<4>(),
    DayMinutesRow<5>(), DayMinutesRow<6>(),
    // Minutes; 0 is no weekly budget.
    {N::WeekMinutes, K::Number, S::PerUser, W::ReadWrite, 0, 0,
     [](ServiceLoad& l, const SettingValue& v) {
         if (Number(v) > 0)
             l.settings.WeekAllowedSeconds = std::int64_t{Number(v)} * 60;
     },
     0, 10080},
    {N::WeekCounterDay, K::Number, S::PerUser, W::None, 0, 0,
     [](ServiceLoad& l, const SettingValue& v) { l.settings.WeekCounterDay = Number(v); }},
    {N::WeekUsedSeconds, K::Number, S::PerUser, W::None, 0, 0,
     [](ServiceLoad& l, const SettingValue& v) { l.settings.WeekUsedSeconds = static_cast<std::uint32_t>(Number(v)); }},
    {N::Grant, K::Text, S::PerUser, W::None, std::string(), std::nullopt,
     [](ServiceLoad& l, const SettingValue& v) { l.settings.Grant = ParseDayGrant(Text(v)); }, INT32_MIN, INT32_MAX,
     IsDayGrantText},
    {N::NotCountedWhileLocked, K::Flag, S::PerUser, W::ReadWrite, false, false,
     [](ServiceLoad& l, const SettingValue& v) { l.settings.NotCountedWhileLocked = Flag(v); }},
    {N::IdleMinutes, K::Number, S::PerUser, W::ReadWrite, 0, 0,
     [](ServiceLoad& l, const SettingValue& v) { l.settings.IdleMinutes = Number(v); }, 0, 60},
    {N::EndAction, K::Number, S::PerUser, W::ReadWrite, 0, 0,
     [](ServiceLoad& l, const SettingValue& v) {
         // A number from a newer or a damaged store keeps the default end.
         if (Number(v) == static_cast<std::int32_t>(EndAction::LogOff) ||
             Number(v) == static_cast<std::int32_t>(EndAction::StayLocked))
             l.settings.End = static_cast<EndAction>(Number(v));
     },
     0, 2},
    {N::ShutdownAllowed, K::Flag, S::Global, W::ReadWrite, true, true,
     [](ServiceLoad& l, const SettingValue& v) { l.settings.ShutdownAllowed = Flag(v); }},
    {N::LockAtStartup, K::Flag, S::Global, W::ReadWrite, false, false,
     [](ServiceLoad& l, const SettingValue& v) { l.settings.LockAtStartup = Flag(v); }},
    // What the lock screen and the tray tell the user; absent, the defaults hold, so the window
    // writes them only once set.
    {N::StatusPlacement, K::Number, S::Global, W::ReadWrite, 0, 0,
     [](ServiceLoad& l, const SettingValue& v) {
         if (Number(v) == static_cast<std::int32_t>(StatusPlacement::EveryMonitor) ||
             Number(v) == static_cast<std::int32_t>(StatusPlacement::Hidden))
             l.settings.Status = static_cast<StatusPlacement>(Number(v));
     },
     0, 2, nullptr, true},
    {N::EndWarnings, K::Flag, S::Global, W::ReadWrite, true, true,
     [](ServiceLoad& l, const SettingValue& v) { l.settings.EndWarnings = Flag(v); }, INT32_MIN, INT32_MAX, nullptr, true},
    {N::Language, K::Text, S::Global, W::ReadWrite, std::string(), std::string(),
     [](ServiceLoad& l, const SettingValue& v) {
         // A language that cannot be read forces none: the user's own is taken.
         l.settings.Language = ParseLanguageSetting(Text(v)) ? Text(v) : std::string();
     },
     INT32_MIN, INT32_MAX, [](std::string_view text) { return ParseLanguageSetting(text).has_value(); }, true},
    {N::EndWarningMinutes, K::Text, S::Global, W::ReadWrite, std::string("15,5,1"), std::string("15,5,1"),
     [](ServiceLoad& l, const SettingValue& v) {
         // Unreadable minutes keep the default warnings rather than none.
         if (const auto minutes = ParseWarningMinutes(Text(v)))
             l.settings.EndWarningMinutes = *minutes;
     },
     INT32_MIN, INT32_MAX, [](std::string_view text) { return ParseWarningMinutes(text).has_value(); }, true},
    // The window's record of what it set in Windows; it reads the states back from Windows, the
    // boot keys from this record only where there is no boot file.
    {N::BootKeysDisabled, K::Flag, S::Global, W::ReadWrite, false, std::nullopt, nullptr},
    {N::UserValidation, K::Flag, S::Global, W::WriteOnly, false, std::nullopt, nullptr},
};
}  // namespace

std::span<const SettingDefinition> SettingsTable()
{
    return kSettings;
}

const SettingDefinition& FindSetting(std::string_view name)
{
    for (const SettingDefinition& definition : kSettings)
        if (name == definition.name)
            return definition;
    throw std::logic_error("No setting named " + std::string(name));
}

std::string SettingValueName(const SettingDefinition& definition, const std::string& userKey)
{
    return definition.scope == SettingScope::PerUser ? userKey + definition.name : definition.name;
}

std::optional<SettingValue> ReadSetting(RegistryKey& key, const SettingDefinition& definition,
                                        const std::string& userKey)
{
    const std::string name = SettingValueName(definition, userKey);
    switch (definition.kind) {
    case SettingKind::Text:
        if (auto text = ReadTextValue(key, name))
            return std::move(*text);
        return std::nullopt;
    case SettingKind::Number:
        if (auto number = ReadIntegerValue(key, name))
            return *number;
        return std::nullopt;
    case SettingKind::Flag:
        if (auto flag = ReadFlagValue(key, name))
            return *flag;
        return std::nullopt;
    }
    return std::nullopt;
}

void WriteSetting(RegistryKey& key, const SettingDefinition& definition, const std::string& userKey,
                  const SettingValue& value)
{
    const std::string name = SettingValueName(definition, userKey);
    switch (definition.kind) {
    case SettingKind::Text: WriteTextValue(key, name, Text(value)); break;
    case SettingKind::Number: WriteIntegerValue(key, name, Number(value)); break;
    case SettingKind::Flag: WriteFlagValue(key, name, Flag(value)); break;
    }
}

}  // namespace vardex
