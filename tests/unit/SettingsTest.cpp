#include "MemoryRegistry.h"
#include "common/Errors.h"
#include "config/Settings.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

using test::MemoryRegistry;
constexpr auto HKLM = RootKey::LocalMachine;
constexpr const char* kProgramDir = "C:\\Program Files\\PC Vardex\\";

class SettingsTest : public ::testing::Test {
protected:
    void Set(const std::string& name, RegValue value) { registry.Set(HKLM, kSettingsKeyPath, name, std::move(value)); }

    LockServiceSettings Load(const std::string& userKey = "User1")
    {
        LockServiceSettings settings;
        LoadServiceSettings(settings, registry, userKey, kProgramDir, RegionalFormats{});
        return settings;
    }

    MemoryRegistry registry;
};

TEST_F(SettingsTest, NoKeyGivesTheServiceDefaults)
{
    const LockServiceSettings s = Load();
    EXPECT_EQ(s.UserKey, "User1");
    EXPECT_EQ(s.BackgroundFile, "C:\\Program Files\\PC Vardex\\scrlogo.jpg");
    EXPECT_EQ(s.HotKey, 16576);
    EXPECT_EQ(s.PowerSaveDelay, 5);
    EXPECT_EQ(s.PowerSaveMode, 0);
    EXPECT_EQ(s.AllowedSeconds, 86400);
    EXPECT_TRUE(s.ShowBackground);
    EXPECT_TRUE(s.ShutdownAllowed);
    EXPECT_FALSE(s.ScreenSaverMode || s.LockAtStartup || s.StatisticsEnabled || s.RestrictBySchedule ||
                 s.RestrictByDuration);
    EXPECT_TRUE(s.AdminPassword.empty() && s.UserPassword.empty() && s.Periods.empty());
    EXPECT_EQ(s.CounterDay, 0);
    EXPECT_EQ(s.UsedSeconds, 0u);
}

TEST_F(SettingsTest, EveryValueIsReadAndConverted)
{
    Set("APW", RegValue::String("admin"));
    Set("LFE", RegValue::Integer(1));
    Set("PBGI", RegValue::String("D:\\pics\\b.bmp"));
    Set("PSBI", RegValue::Integer(0));
    Set("SCSR", RegValue::Integer(1));
    Set("User1PAPW", RegValue::String("secret"));
    Set("PMTO", RegValue::Integer(16));
    Set("PMPM", RegValue::Integer(-1));
    Set("PLHK", RegValue::Integer(0x7A0041));  // only the low 16 bits count
    Set("User1PWTB", RegValue::String("09:00 - 17:00=1;12:00 - 13:00=0;"));
    Set("User1PWTL", RegValue::Integer(1));
    Set("User1PDDC", RegValue::Integer(46364));
    Set("User1PDTC", RegValue::Integer(1234));
    Set("User1PWTH", RegValue::Integer(1));
    Set("User1PWTD", RegValue::Integer(1));
    Set("PLSI", RegValue::Integer(0));
    Set("PSUL", RegValue::Integer(1));
    const LockServiceSettings s = Load();
    EXPECT_EQ(s.AdminPassword, "admin");
    EXPECT_TRUE(s.StatisticsEnabled);
    EXPECT_EQ(s.BackgroundFile, "D:\\pics\\b.bmp");
    EXPECT_FALSE(s.ShowBackground);
    EXPECT_TRUE(s.ScreenSaverMode);
    EXPECT_EQ(s.UserPassword, "secret");
    EXPECT_EQ(s.PowerSaveDelay, 5);
    EXPECT_EQ(s.PowerSaveMode, -1);
    EXPECT_EQ(s.HotKey, 0x0041);
    EXPECT_EQ(s.Periods, (std::vector<std::string>{"0.375=0.708333333333333"}));
    EXPECT_TRUE(s.RestrictBySchedule);
    EXPECT_EQ(s.CounterDay, 46364);
    EXPECT_EQ(s.UsedSeconds, 1234u);
    EXPECT_EQ(s.AllowedSeconds, 3600);
    EXPECT_TRUE(s.RestrictByDuration);
    EXPECT_FALSE(s.ShutdownAllowed);
    EXPECT_TRUE(s.LockAtStartup);
}

TEST_F(SettingsTest, PowerSaveTimeoutIsHeldInTicksOfThreeSeconds)
{
    for (const auto& [stored, held] : {std::pair{15, 5}, {1200, 400}, {16, 5}, {2, 0}}) {
        Set("PMTO", RegValue::Integer(stored));
        EXPECT_EQ(Load().PowerSaveDelay, held) << stored;
    }
}

TEST_F(SettingsTest, PerUserValuesFollowTheUserKey)
{
    Set(".DefaultPAPW", RegValue::String("shared"));
    Set("User1PAPW", RegValue::String("own"));
    EXPECT_EQ(Load(".Default").UserPassword, "shared");
    EXPECT_EQ(Load("User1").UserPassword, "own");
    EXPECT_EQ(Load("User2").UserPassword, "");
}

TEST_F(SettingsTest, EveryLoadStartsFromTheDefaults)
{
    LockServiceSettings settings;
    Set("User1PWTB", RegValue::String("09:00 - 17:00=1;"));
    Set("APW", RegValue::String("admin"));
    LoadServiceSettings(settings, registry, "User1", kProgramDir, {});
    registry = MemoryRegistry();
    LoadServiceSettings(settings, registry, "User1", kProgramDir, {});
    EXPECT_TRUE(settings.Periods.empty());
    EXPECT_EQ(settings.AdminPassword, "");
}

TEST_F(SettingsTest, WrongTypesKeepTheirDefaultsTheOtherValuesStillLoadAndEachIsReported)
{
    Set("APW", RegValue::String("admin"));
    Set("PBGI", RegValue::String("x.bmp"));
    Set("User1PAPW", RegValue::Integer(5));  // should be text
    Set("PMTO", RegValue::Integer(30));
    Set("PLSI", RegValue::Integer(0));
    Set("User1PDDC", RegValue::String("46364"));
    Set("User1PDTC", RegValue::ExpandString("600"));
    Set("User1PWTH", RegValue::Integer(2));
    Set("User1PWTD", RegValue::Integer(1));
    Set("PSUL", RegValue::String("1"));  // a flag stored as text
    LockServiceSettings s;
    EXPECT_EQ(LoadServiceSettings(s, registry, "User1", kProgramDir, {}),
              (std::vector<std::string>{"Invalid data type for 'User1PAPW'", "Invalid data type for 'User1PDDC'",
                                        "Invalid data type for 'User1PDTC'", "Invalid data type for 'PSUL'"}));
    EXPECT_EQ(s.AdminPassword, "admin");
    EXPECT_EQ(s.BackgroundFile, "x.bmp");
    EXPECT_EQ(s.UserPassword, "");      // the bad value: its default
    EXPECT_EQ(s.PowerSaveDelay, 10);    // read after it all the same
    EXPECT_FALSE(s.ShutdownAllowed);
    // Bad counters cannot switch the restriction off.
    EXPECT_TRUE(s.RestrictByDuration);
    EXPECT_EQ(s.AllowedSeconds, 7200);
    EXPECT_EQ(s.CounterDay, 0);
    EXPECT_EQ(s.UsedSeconds, 0u);
}

TEST_F(SettingsTest, MalformedPasswordsAreReportedByNameNeverByContent)
{
    const std::string hashLike = "$pbkdf2-sha256$i=1$AAECAwQFBgcICQoLDA0ODw$secret";
    Set("APW", RegValue::String(hashLike));
    Set("User1PAPW", RegValue::String("$plain looking"));
    LockServiceSettings s;
    EXPECT_EQ(LoadServiceSettings(s, registry, "User1", kProgramDir, {}),
              (std::vector<std::string>{"Invalid password hash in 'APW'", "Invalid password hash in 'User1PAPW'"}));
    EXPECT_EQ(s.AdminPassword, hashLike) << "kept as it is: it refuses every entry";
    Set("APW", RegValue::String("plain"));
    Set("User1PAPW", RegValue::String(""));
    EXPECT_TRUE(LoadServiceSettings(s, registry, "User1", kProgramDir, {}).empty());
}

TEST_F(SettingsTest, AccountWithoutWriteRightsStillGetsItsSettings)
{
    Set("User1PAPW", RegValue::String("secret"));
    Set("User1PWTD", RegValue::Integer(1));
    registry.DenyFullAccess(HKLM, kSettingsKeyPath);
    const LockServiceSettings s = Load();
    EXPECT_EQ(s.UserPassword, "secret");
    EXPECT_TRUE(s.RestrictByDuration);
}

TEST_F(SettingsTest, UnopenableKeyKeepsTheDefaults)
{
    Set("APW", RegValue::String("admin"));
    registry.DenyAllAccess(HKLM, kSettingsKeyPath);
    EXPECT_EQ(Load().AdminPassword, "");
}

TEST_F(SettingsTest, UnreadablePeriodAllowsNoTimeIsReportedAndTheRestStillLoads)
{
    Set("User1PWTB", RegValue::String("8h - 9h=1;10:00 - 11:00=1;"));
    Set("User1PWTL", RegValue::Integer(1));
    Set("PSUL", RegValue::Integer(1));
    LockServiceSettings s;
    EXPECT_EQ(LoadServiceSettings(s, registry, "User1", kProgramDir, {}),
              (std::vector<std::string>{"Invalid time period '8h - 9h'"}));
    EXPECT_EQ(s.Periods, (std::vector<std::string>{"1=0", "0.416666666666667=0.458333333333333"}));
    EXPECT_TRUE(s.RestrictBySchedule && s.LockAtStartup);
}

TEST_F(SettingsTest, TheWeeksAdditionsAreReadAndADayWhosePeriodsCannotBeReadAllowsNoTime)
{
    Set("User1PWD1", RegValue::String("16:00-18:00"));
    Set("User1PWD6", RegValue::String("10:00-12:00,15:00-19:00"));
    Set("User1PWD7", RegValue::String("10:00 - 12:00"));
    Set("User1PWM1", RegValue::Integer(30));
    Set("User1PWWM", RegValue::Integer(480));
    Set("User1PWWD", RegValue::Integer(46363));
    Set("User1PWWS", RegValue::Integer(3600));
    Set("User1PWSL", RegValue::Integer(1));
    Set("User1PWIM", RegValue::Integer(10));
    LockServiceSettings s;
    EXPECT_EQ(LoadServiceSettings(s, registry, "User1", kProgramDir, {}),
              (std::vector<std::string>{"Invalid periods in 'User1PWD7'"}));
    EXPECT_EQ(s.DayPeriods[0], (std::vector<DayPeriod>{{16 * 3600, 18 * 3600}}));
    EXPECT_EQ(s.DayPeriods[5]->size(), 2u);
    EXPECT_EQ(s.DayPeriods[6], std::vector<DayPeriod>{}) << "no time on a day that cannot be read";
    EXPECT_FALSE(s.DayPeriods[1]) << "Tuesday keeps the every-day rule";
    EXPECT_EQ(s.DayAllowedSeconds[0], 1800);
    EXPECT_FALSE(s.DayAllowedSeconds[1]);
    EXPECT_EQ(s.WeekAllowedSeconds, 8 * 3600);
    EXPECT_EQ(s.WeekCounterDay, 46363);
    EXPECT_EQ(s.WeekUsedSeconds, 3600u);
    EXPECT_TRUE(s.NotCountedWhileLocked);
    EXPECT_EQ(s.IdleMinutes, 10);
}

TEST_F(SettingsTest, LoadingNeverWritesOrCreatesTheKey)
{
    Load();
    EXPECT_FALSE(registry.HasKey(HKLM, kSettingsKeyPath));
}

}  // namespace
}  // namespace vardex
