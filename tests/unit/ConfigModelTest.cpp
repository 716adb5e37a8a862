#include "CheapCrypto.h"
#include "MemoryRegistry.h"
#include "config/ConfigModel.h"
#include "config/ConfigTree.h"
#include "config/Settings.h"
#include "common/FillingScope.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

using test::MemoryRegistry;
constexpr auto HKLM = RootKey::LocalMachine;
const std::vector<std::string> kUsers{".Default", "Anna", "bob"};

// A stored value other than the window default, of the definition's kind.
RegValue OtherThanDefault(const SettingDefinition& d)
{
    switch (d.kind) {
    case SettingKind::Text: return RegValue::String(std::string(d.name) + " text");
    case SettingKind::Number: return RegValue::Integer(std::get<std::int32_t>(d.windowDefault) + 7);
    case SettingKind::Flag: return RegValue::Integer(std::get<bool>(d.windowDefault) ? 0 : 1);
    }
    return {};
}

class ConfigModelTest : public ::testing::Test {
protected:
    std::optional<RegValue> Stored(MemoryRegistry& r, const SettingDefinition& d, const std::string& user) const
    {
        return r.Get(HKLM, kSettingsKeyPath, SettingValueName(d, user));
    }

    MemoryRegistry registry;
    test::CheapCrypto crypto;
    ConfigModel model{kUsers};
};

TEST_F(ConfigModelTest, EveryValueTheWindowShowsRoundTripsAndTheServiceValuesAreLeftAlone)
{
    for (const SettingDefinition& d : SettingsTable())
        for (const std::string& user : kUsers)
            if (d.window == WindowUse::ReadWrite && (d.scope == SettingScope::PerUser || user == kUsers[0]) &&
                d.kind != SettingKind::Text)
                registry.Set(HKLM, kSettingsKeyPath, SettingValueName(d, user), OtherThanDefault(d));
    registry.Set(HKLM, kSettingsKeyPath, "PBGI", RegValue::String("D:\\b.jpg"));
    registry.Set(HKLM, kSettingsKeyPath, "bobPWTB", RegValue::String("08:00 - 12:30=1;"));
    registry.Set(HKLM, kSettingsKeyPath, "bobPDTC", RegValue::Integer(1234));
    EXPECT_TRUE(model.Load(registry).empty());
    EXPECT_EQ(model.Users()[2].values.Text("PWTB"), "08:00 - 12:30=1;");
    EXPECT_EQ(model.Users()[1].values.Number("PWTH"), 31);

    MemoryRegistry written;
    model.Save(written, crypto);
    for (const SettingDefinition& d : SettingsTable())
        for (const std::string& user : kUsers) {
            if (d.scope == SettingScope::Global && user != kUsers[0])
                continue;
            SCOPED_TRACE(SettingValueName(d, user));
            if (d.window == WindowUse::None)
                EXPECT_EQ(Stored(written, d, user), std::nullopt) << "the service's own values are not written";
            else if (d.window == WindowUse::ReadWrite && d.name != std::string_view(SettingNames::AdminPassword) &&
                     d.name != std::string_view(SettingNames::UserPassword))
                EXPECT_EQ(Stored(written, d, user), d.writtenWhenSet ? Stored(registry, d, user)
                                                                     : Stored(registry, d, user).value_or(Stored(written, d, user).value()));
        }
    EXPECT_EQ(written.Get(HKLM, kSettingsKeyPath, "UVLD"), RegValue::Integer(0));  // written, never read
    std::vector<std::string> order{"MustBeValidated", "BKGR", "PMPM", "PSUL", "PLSI", "SCSR", "UVLD",
                                   "LFE",  "PMTO", "APW",  "PBGI", "PSBI", "PLHK", "PLSP", "PLEW"};
    for (const std::string& user : kUsers)
        for (const char* value : {"PWTB", "PAPW", "PWTH", "PWTL", "PWTD", "PWWR", "PWM1", "PWM2", "PWM3", "PWM4", "PWM5",
                                  "PWM6", "PWM7", "PWWM", "PWSL", "PWIM", "PWEA"})
            order.push_back(user + value);
    EXPECT_EQ(written.Writes(), order) << "the order other readers of the key may rely on, then the additions; a "
                                          "weekday's periods, absent, stay absent";
}

TEST_F(ConfigModelTest, AbsentValuesAndAnUnopenableKeyGiveTheWindowDefaults)
{
    registry.Set(HKLM, kSettingsKeyPath, "AnnaPWTH", RegValue::String("5"));  // a wrong type
    EXPECT_EQ(model.Load(registry), std::vector<std::string>{"Invalid data type for 'AnnaPWTH'"});
    for (const UserRecord& user : model.Users()) {
        EXPECT_EQ(user.values.Number("PWTH"), 24);
        EXPECT_FALSE(user.values.Flag("PWTL") || user.values.Flag("PWTD") || user.password.IsSet());
    }
    EXPECT_EQ(std::get<std::string>(model.Global("PBGI")), "scrlogo.jpg");
    EXPECT_EQ(std::get<std::int32_t>(model.Global("PMTO")), 15);
    EXPECT_EQ(std::get<std::int32_t>(model.Global("PLHK")), 16576);
    EXPECT_TRUE(std::get<bool>(model.Global("PLSI")) && std::get<bool>(model.Global("PSBI")));

    MemoryRegistry locked;
    locked.Set(HKLM, kSettingsKeyPath, "PMTO", RegValue::Integer(60));
    locked.DenyAllAccess(HKLM, kSettingsKeyPath);
    model.Load(locked);
    EXPECT_EQ(std::get<std::int32_t>(model.Global("PMTO")), 15);
}

TEST_F(ConfigModelTest, ARefusedWriteIsReportedWithItsReason)
{
    model.Load(registry);
    registry.CreateKey(HKLM, kSettingsKeyPath);
    registry.DenyFullAccess(HKLM, kSettingsKeyPath);  // not an administrator
    try {
        model.Save(registry, crypto);
        FAIL() << "reported as saved";
    } catch (const SaveError& error) {
        EXPECT_NE(std::string(error.what()).find("administrator"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(registry.Writes().empty());

    MemoryRegistry failing;
    failing.FailWritesOf("AnnaPWTH");
    EXPECT_THROW(model.Save(failing, crypto), SaveError);
}

TEST_F(ConfigModelTest, PasswordsAreKeptRemovedOrReplacedAndAlwaysWrittenAsHashes)
{
    const std::string hash = HashPassword("kept", crypto);
    registry.Set(HKLM, kSettingsKeyPath, "APW", RegValue::String("legacy admin"));
    registry.Set(HKLM, kSettingsKeyPath, ".DefaultPAPW", RegValue::String(hash));
    registry.Set(HKLM, kSettingsKeyPath, "AnnaPAPW", RegValue::String("old"));
    model.Load(registry);
    model.Users()[1].password.Remove();
    model.Users()[2].password.Replace(WipedString("new one"));
    model.Save(registry, crypto);

    const auto stored = [&](const char* name) { return registry.Get(HKLM, kSettingsKeyPath, name)->text; };
    EXPECT_EQ(ClassifyStoredPassword(stored("APW")), StoredPasswordKind::Hash);
    EXPECT_TRUE(VerifyPassword("legacy admin", stored("APW"), crypto));
    EXPECT_EQ(stored(".DefaultPAPW"), hash);
    EXPECT_EQ(stored("AnnaPAPW"), "");
    EXPECT_TRUE(VerifyPassword("new one", stored("bobPAPW"), crypto));
    EXPECT_FALSE(VerifyPassword("new on", stored("bobPAPW"), crypto));

    // Saved: the model keeps the hashes it wrote, so a second save writes the same.
    MemoryRegistry again;
    model.Save(again, crypto);
    EXPECT_EQ(again.Get(HKLM, kSettingsKeyPath, "bobPAPW")->text, stored("bobPAPW"));
    EXPECT_EQ(again.Get(HKLM, kSettingsKeyPath, "APW")->text, stored("APW"));
}

TEST_F(ConfigModelTest, AMalformedStoredValueIsWrittenBackAsItIsNeverHashedAsAPassword)
{
    const std::string malformed = HashPassword("lost", crypto) + " ";
    registry.Set(HKLM, kSettingsKeyPath, "APW", RegValue::String(malformed));
    model.Load(registry);
    EXPECT_TRUE(model.AdminPassword().IsSet());
    model.Save(registry, crypto);
    const std::string written = registry.Get(HKLM, kSettingsKeyPath, "APW")->text;
    EXPECT_EQ(written, malformed);
    EXPECT_FALSE(VerifyPassword(malformed, written, crypto));
}

// A page's changes while it fills itself do not count; its fillings nest (a refill of the page
// refills its list), and only the end of the outermost ends the filling.
TEST_F(ConfigModelTest, ChangesWhileFillingDoNotCount)
{
    FillingState filling;
    const auto change = [&] {
        if (!filling.Active())
            model.DataChange();
    };
    {
        const FillingScope page(filling);
        {
            const FillingScope list(filling);
            change();
        }
        change();
        EXPECT_FALSE(model.Changed());
    }
    change();
    EXPECT_TRUE(model.Changed());
    model.ClearChanged();
    EXPECT_FALSE(model.Changed());
}

TEST(CheckPasswordPair, TheFourRulesAndTheCounter)
{
    using F = PasswordPairResult::Focus;
    struct Case {
        const char *password, *confirm;
        int counterBefore;
        PasswordPairResult result;
        int counterAfter;
    };
    for (const Case& c : {Case{"pw", "", 0, {F::Confirm, false, false}, 1},
                          Case{"pw", "", 1, {F::Confirm, false, false}, 2},
                          Case{"pw", "", 2, {F::None, true, false}, 0},  // the third time: emptied
                          Case{"", "pw", 1, {F::Password, false, true}, 1},
                          Case{"pw", "PW", 1, {F::Password, true, true}, 1},
                          Case{" pw ", "pw", 2, {F::None, false, false}, 0},  // blanks around do not count
                          Case{"", "", 1, {F::None, false, false}, 1},
                          Case{"  ", "", 1, {F::None, false, false}, 1}}) {
        int counter = c.counterBefore;
        EXPECT_EQ(CheckPasswordPair(c.password, c.confirm, counter), c.result) << c.password << "/" << c.confirm;
        EXPECT_EQ(counter, c.counterAfter) << c.password << "/" << c.confirm;
    }
}

TEST(UnconfirmedPasswordPair, WhatCanBeSavedAndWhatIsRefusedWithItsMessage)
{
    using F = PasswordPairResult::Focus;
    const std::string subject = "The password of user \"Anna\" is not confirmed: ";
    const std::string subjectText = EnglishTexts().Format(TextId::PairUser, {"Anna"});
    struct Case {
        const char *password, *confirm;
        std::optional<UnconfirmedPair> refusal;
    };
    for (const Case& c : {Case{"pw", "pw", std::nullopt}, Case{" pw", "pw\t", std::nullopt}, Case{"", "", std::nullopt},
                          Case{" ", "", std::nullopt},
                          Case{"pw", "", UnconfirmedPair{subject + "type it again in the Confirm field.", F::Confirm}},
                          Case{"", "pw",
                               UnconfirmedPair{subject + "the Password field is empty. Type the password in both "
                                                         "fields, or empty both to remove it.",
                                               F::Password}},
                          Case{"pw", "PW",
                               UnconfirmedPair{subject + "the two fields differ. Type the password again in both fields.",
                                               F::Password}}})
        EXPECT_EQ(UnconfirmedPasswordPair(c.password, c.confirm, subjectText, EnglishTexts()), c.refusal)
            << c.password << "/" << c.confirm;
}

TEST(UsersLockedOutBySchedule, OnlyARestrictedUserWhomNoDayOfTheWeekAllowsAnyTime)
{
    const std::string noCommonTime = "09:00 - 12:00=1;13:00 - 17:00=1;";
    const struct {
        std::string schedule;
        bool restricted;
        std::optional<std::string> tuesday;  // with the week grid: Tuesday's periods, no other day's
        bool lockedOut;
    } cases[] = {
        {noCommonTime, true, std::nullopt, true},
        {noCommonTime, false, std::nullopt, false},
        {"09:00 - 12:00=1;13:00 - 17:00=0;", true, std::nullopt, false},
        {"", true, std::nullopt, false},
        {noCommonTime, true, "16:00-18:00", false},  // the grid allows Tuesday, whatever the list says
        {"09:00 - 12:00=1;", true, "", true},         // the grid allows no day, whatever the list says
    };
    std::vector<UserRecord> users;
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        UserRecord& user = users.emplace_back();
        user.userKey = "user" + std::to_string(users.size());
        user.values.Set("PWTB", c.schedule);
        user.values.Set("PWTL", c.restricted);
        if (c.tuesday) {
            user.values.Set("PWWR", true);
            for (int day = 0; day < 7; ++day)
                user.values.Set(SettingNames::DayPeriods[day], day == 1 ? *c.tuesday : std::string());
        }
        if (c.lockedOut)
            expected.push_back(user.userKey);
    }
    EXPECT_EQ(UsersLockedOutBySchedule(users, {}), expected);
}

TEST(PictureInProgramFolder, RelativeNamesAreTheProgramFoldersOthersStay)
{
    for (const auto& [path, resolved] : std::vector<std::pair<std::string, std::string>>{
             {"scrlogo.jpg", "C:\\Program Files\\Vardex\\scrlogo.jpg"},
             {"pictures\\red.bmp", "C:\\Program Files\\Vardex\\pictures\\red.bmp"},
             {"\\red.bmp", "C:\\red.bmp"},
             {"D:\\red.bmp", "D:\\red.bmp"},
             {"\\\\server\\share\\red.bmp", "\\\\server\\share\\red.bmp"},
             {"", ""}})
        EXPECT_EQ(PictureInProgramFolder(path, "C:\\Program Files\\Vardex\\"), resolved) << path;
}

TEST(BoundedNumber, NearestLimitAndTheFallbackForText)
{
    struct Case {
        const char* text;
        std::int32_t value;
    };
    for (const Case& c : {Case{"60", 60}, Case{" 60 ", 60}, Case{"14", 15}, Case{"1201", 1200}, Case{"-5", 15},
                          Case{"abc", 15}, Case{"", 15}, Case{"60s", 15}, Case{"99999999999999999999", 1200}})
        EXPECT_EQ(BoundedNumber(c.text, 15, 1200, 15), c.value) << c.text;
}

TEST(ConfigTree, StatusTextsAndTreeActions)
{
    EXPECT_EQ(NodeStatusText(NodeKind::Root, "Vardex", {"Common Options", "User Options", "Statistics"}, "", EnglishTexts()),
              " Vardex : Common Options, User Options, Statistics");
    EXPECT_EQ(NodeStatusText(NodeKind::UserOptions, "User Options", {".Default", "Anna"}, "", EnglishTexts()),
              " User Options : All Available User Profiles");
    EXPECT_EQ(NodeStatusText(NodeKind::Appearance, "Appearance", {}, "Vardex appearance settings", EnglishTexts()),
              " Vardex appearance settings");

    using S = TreeFocusState;
    using A = TreeActionState;
    struct Case {
        S state;
        A actions;
    };
    for (const Case& c : {Case{{true, true, false, false, false, false}, {true, false, false, false}},
                          Case{{true, true, true, true, false, false}, {false, true, true, false}},
                          Case{{false, true, false, true, false, false}, {false, false, true, false}},
                          Case{{true, false, false, true, false, false}, {false, false, true, false}},
                          Case{{false, true, true, false, true, true}, {false, false, false, true}},
                          Case{{false, true, true, false, true, false}, {false, false, false, false}}})
        EXPECT_EQ(TreeActions(c.state), c.actions);
}

TEST(ConfigTree, TheAcceleratorsLeaveAFieldsOwnKeysAlone)
{
    using F = KeyFocus;
    struct Case {
        F focus;
        KeyChord chord;
        bool taken;
    };
    constexpr unsigned kInsert = 0x2D, kDelete = 0x2E, kF1 = 0x70;
    for (const Case& c : {Case{F::Other, {'C', true}, true}, Case{F::Other, {'X', false, false, true}, true},
                          Case{F::Edit, {'C', true}, false}, Case{F::Edit, {'X', true}, false},
                          Case{F::Edit, {'A', true}, false}, Case{F::Edit, {'V', true}, false},
                          Case{F::Edit, {kInsert, false, true}, false}, Case{F::Edit, {kDelete, false, true}, false},
                          Case{F::Edit, {'X', false, false, true}, false},  // Alt+X: Exit is on its menu
                          Case{F::Edit, {'S', true}, true}, Case{F::Edit, {'G', true}, true},
                          Case{F::Edit, {kF1}, true}, Case{F::Edit, {'C', true, true}, true},
                          Case{F::HotKeyField, {'S', true}, false}, Case{F::HotKeyField, {kF1}, false},
                          Case{F::HotKeyField, {'X', false, false, true}, false}})
        EXPECT_EQ(AcceleratorsMayTake(c.focus, c.chord), c.taken)
            << static_cast<int>(c.focus) << " " << c.chord.key << c.chord.control << c.chord.shift << c.chord.alt;
}

}  // namespace
}  // namespace vardex
