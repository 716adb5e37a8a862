#pragma once
// The settings store: one registry key with global values and per-user values (user key + code),
// and the lock service's in-memory settings loaded from it.
#include "common/Registry.h"
#include "common/TimeFormat.h"
#include "rules/WeekRules.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vardex {

inline constexpr const char* kSettingsKeyPath = "SOFTWARE\\QUORTEX";

namespace SettingNames {
// Global values.
inline constexpr const char* AdminPassword = "APW";
inline constexpr const char* BackgroundFile = "PBGI";
inline constexpr const char* ShowBackground = "PSBI";
inline constexpr const char* ScreenSaverMode = "SCSR";
inline constexpr const char* PowerSaveTimeout = "PMTO";
inline constexpr const char* PowerSaveMode = "PMPM";
inline constexpr const char* HotKey = "PLHK";
inline constexpr const char* ShutdownAllowed = "PLSI";
inline constexpr const char* LockAtStartup = "PSUL";
inline constexpr const char* StatisticsEnabled = "LFE";
inline constexpr const char* BootKeysDisabled = "BKGR";
inline constexpr const char* UserValidation = "UVLD";
// What the lock screen and the notification area tell the user: where the lock screen's status
// block shows (StatusPlacement), whether the tray warns before the time runs out, and at how many
// minutes before ("15,5,1").
inline constexpr const char* StatusPlacement = "PLSP";
inline constexpr const char* EndWarnings = "PLEW";
inline constexpr const char* EndWarningMinutes = "PLWM";
// Per-user codes, preceded by the user key.
inline constexpr const char* UserPassword = "PAPW";
inline constexpr const char* Schedule = "PWTB";
inline constexpr const char* RestrictBySchedule = "PWTL";
inline constexpr const char* AllowedHours = "PWTH";
inline constexpr const char* RestrictByDuration = "PWTD";
inline constexpr const char* CounterDay = "PDDC";
inline constexpr const char* UsedSeconds = "PDTC";
// The week's additions: whether the weekdays have rules of their own, a weekday's own periods
// and minutes (1 Monday ... 7 Sunday, after the code), the minutes of a week (0: no budget), and
// the week's count (the day number of the week's first day, and the seconds used in it).
inline constexpr const char* OwnWeekdayRules = "PWWR";
inline constexpr const char* DayPeriods[] = {"PWD1", "PWD2", "PWD3", "PWD4", "PWD5", "PWD6", "PWD7"};
inline constexpr const char* DayMinutes[] = {"PWM1", "PWM2", "PWM3", "PWM4", "PWM5", "PWM6", "PWM7"};
inline constexpr const char* WeekMinutes = "PWWM";
inline constexpr const char* WeekCounterDay = "PWWD";
inline constexpr const char* WeekUsedSeconds = "PWWS";
// The time the administrator granted today ("DAY UNTIL SECONDS", Grants.h), kept with the day's
// count by whoever keeps that.
inline constexpr const char* Grant = "PDGR";
// The language of the programs' texts: "" the user's own, or "en", "de", "fr", "es".
inline constexpr const char* Language = "PLLG";
// Only real use counted: not while the service's lock screen shows, not after this many minutes
// without input (0: always).
inline constexpr const char* NotCountedWhileLocked = "PWSL";
inline constexpr const char* IdleMinutes = "PWIM";
// What the end of the time does (EndAction).
inline constexpr const char* EndAction = "PWEA";
}  // namespace SettingNames

inline constexpr std::uint16_t kDefaultHotKey = 16576;  // Ctrl + virtual key 0xC0
inline constexpr const char* kDefaultBackgroundName = "scrlogo.jpg";

// What happens when a user's time is up and the grace after the warning is over. Stored as its
// number.
enum class EndAction : std::int32_t { ShutDown = 0, LogOff = 1, StayLocked = 2 };

// Where the lock screen's status block (who is locked, the time, where they stand) shows. Stored
// as its number.
enum class StatusPlacement : std::int32_t { PrimaryMonitor = 0, EveryMonitor = 1, Hidden = 2 };

inline const std::vector<std::int32_t> kDefaultEndWarningMinutes{15, 5, 1};
// The minutes of the warnings as stored: "15,5,1", whole minutes from 1 to 1440, at most eight;
// in the order the warnings come (largest first). Nothing when the text is not of that form.
std::optional<std::vector<std::int32_t>> ParseWarningMinutes(std::string_view text);

struct LockServiceSettings {
    std::string UserKey;
    std::string AdminPassword;
    std::string UserPassword;
    std::string BackgroundFile;
    bool ShowBackground = true;
    bool ScreenSaverMode = false;
    std::int32_t PowerSaveDelay = 5;  // in 3-second ticks
    std::int32_t PowerSaveMode = 0;   // -1 none, 0 blank, 1 suspend, 2 power off
    std::uint16_t HotKey = kDefaultHotKey;
    std::vector<std::string> Periods;  // "from=till", fractions of a day
    bool RestrictBySchedule = false;
    std::int32_t CounterDay = 0;
    std::uint32_t UsedSeconds = 0;
    std::int64_t AllowedSeconds = 86400;
    bool RestrictByDuration = false;
    // A weekday's own periods and seconds (Monday first), used with OwnWeekdayRules; absent ones
    // keep the every-day rule.
    bool OwnWeekdayRules = false;
    std::array<std::optional<std::vector<DayPeriod>>, 7> DayPeriods;
    std::array<std::optional<std::int64_t>, 7> DayAllowedSeconds;
    std::optional<std::int64_t> WeekAllowedSeconds;
    std::int32_t WeekCounterDay = 0;
    std::uint32_t WeekUsedSeconds = 0;
    std::optional<DayGrant> Grant;
    bool NotCountedWhileLocked = false;
    std::int32_t IdleMinutes = 0;
    EndAction End = EndAction::ShutDown;
    StatusPlacement Status = StatusPlacement::PrimaryMonitor;
    bool EndWarnings = true;
    std::vector<std::int32_t> EndWarningMinutes = kDefaultEndWarningMinutes;
    std::string Language;  // "" the user's own
    bool ShutdownAllowed = true;
    bool LockAtStartup = false;
    bool StatisticsEnabled = false;
};

// The defaults the lock service holds when a value is absent.
LockServiceSettings DefaultServiceSettings(const std::string& userKey, const std::string& programDirectory);

// Loads the lock service's settings into settings: every field is first reset to its default,
// then each value present overwrites its field. The key is opened for full access and, when
// that is refused, for reading. A value of the wrong type keeps its field's default and an
// enabled period whose times cannot be read (with timeFormats) allows no time; every other value
// is still loaded. Returns the texts that report those problems, in the order found.
std::vector<std::string> LoadServiceSettings(LockServiceSettings& settings, Registry& registry,
                                             const std::string& userKey, const std::string& programDirectory,
                                             const RegionalFormats& timeFormats);

// The report of a period in a schedule whose times cannot be read.
std::string UnreadablePeriodText(const std::string& period);
// The report of a weekday's periods that cannot be read (the day then allows no time).
std::string UnreadableDayPeriodsText(const std::string& valueName);

}  // namespace vardex
