#include "common/Errors.h"
#include "common/RegValues.h"
#include "win/Registry_win.h"
#include "config/Settings.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace vardex {
namespace {

constexpr const char* kTestKey = "SOFTWARE\\VardexTests\\Registry";
constexpr auto HKLM = RootKey::LocalMachine;

class RegistryWinTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VardexTests"); }
    void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VardexTests"); }

    void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD size)
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VardexTests\\Registry", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }

    Win32Registry registry;
};

TEST_F(RegistryWinTest, ValuesKeepTheirKindAcrossTheRealRegistry)
{
    auto key = registry.Open(HKLM, kTestKey, KeyAccess::Full, true);
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->Write("S", RegValue::String("caf\xc3\xa9 \xe2\x82\xac")));  // UTF-8 through the wide API
    EXPECT_TRUE(key->Write("E", RegValue::ExpandString("%SystemRoot%\\x")));
    EXPECT_TRUE(key->Write("I", RegValue::Integer(-2)));
    EXPECT_EQ(key->Read("S"), RegValue::String("caf\xc3\xa9 \xe2\x82\xac"));
    EXPECT_EQ(key->Read("e"), RegValue::ExpandString("%SystemRoot%\\x"));  // names ignore case
    EXPECT_EQ(key->Read("I"), RegValue::Integer(-2));
    EXPECT_EQ(key->Read("absent"), std::nullopt);
}

TEST_F(RegistryWinTest, OtherTypesAndEmbeddedZerosAsTheLogicExpects)
{
    const BYTE binary[] = {1, 2, 3, 4};
    SetRaw(L"B", REG_BINARY, binary, sizeof binary);
    SetRaw(L"Q", REG_QWORD, "\1\0\0\0\0\0\0\0", 8);
    const wchar_t withZero[] = L"ab\0cd";
    SetRaw(L"Z", REG_SZ, withZero, sizeof withZero);
    SetRaw(L"N", REG_SZ, L"xyz", 6);  // stored without its terminating zero
    auto key = registry.Open(HKLM, kTestKey, KeyAccess::Read, false);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->Read("B")->type, RegType::Other);
    EXPECT_EQ(key->Read("Q")->type, RegType::Other);
    EXPECT_EQ(key->Read("Z"), RegValue::String("ab"));
    EXPECT_EQ(key->Read("N"), RegValue::String("xyz"));
    EXPECT_THROW(ReadIntegerValue(*key, "B"), RegistryError);
}

TEST_F(RegistryWinTest, OpeningWithoutCreatingFailsForAMissingKeyAndReadAccessCannotWrite)
{
    EXPECT_EQ(registry.Open(HKLM, kTestKey, KeyAccess::Full, false), nullptr);
    registry.Open(HKLM, kTestKey, KeyAccess::Full, true);
    auto readOnly = registry.Open(HKLM, kTestKey, KeyAccess::Read, false);
    ASSERT_TRUE(readOnly);
    EXPECT_FALSE(readOnly->Write("X", RegValue::Integer(1)));
    EXPECT_THROW(WriteIntegerValue(*readOnly, "X", 1), RegistryError);
}

TEST_F(RegistryWinTest, SubKeyNamesInRegistryOrder)
{
    for (const char* name : {"User1", "Admin", "Guest"})
        registry.Open(HKLM, std::string(kTestKey) + "\\" + name, KeyAccess::Full, true);
    auto key = registry.Open(HKLM, kTestKey, KeyAccess::Read, false);
    std::vector<std::string> names = key->SubKeyNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Admin", "Guest", "User1"}));
}

TEST_F(RegistryWinTest, TextFunctionsWriteAndReadEachKind)
{
    WriteRegValueText(registry, HKLM, kTestKey, RegValueKind::Integer, "86400", "User1PDTC");
    WriteRegValueText(registry, HKLM, kTestKey, RegValueKind::ExpandString, "%TEMP%", "E");
    EXPECT_EQ(ReadRegValueText(registry, HKLM, kTestKey, "User1PDTC"), "86400");
    EXPECT_EQ(ReadRegValueText(registry, HKLM, kTestKey, "E"), "%TEMP%");
    auto key = registry.Open(HKLM, kTestKey, KeyAccess::Read, false);
    EXPECT_EQ(key->Read("User1PDTC"), RegValue::Integer(86400));
    EXPECT_THROW(WriteRegValueText(registry, HKLM, kTestKey, RegValueKind::Integer, "-1", "X"), ConversionError);
    EXPECT_EQ(key->Read("X"), std::nullopt);
}

TEST_F(RegistryWinTest, ServiceSettingsLoadFromTheRealKey)
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\QUORTEX");
    auto key = registry.Open(HKLM, kSettingsKeyPath, KeyAccess::Full, true);
    WriteTextValue(*key, "User1PAPW", "pw");
    WriteIntegerValue(*key, "PLHK", 0xE041);
    WriteTextValue(*key, "PMTO", "15");
    LockServiceSettings settings;
    EXPECT_EQ(LoadServiceSettings(settings, registry, "User1", "C:\\V\\", {}),
              std::vector<std::string>{"Invalid data type for 'PMTO'"});
    EXPECT_EQ(settings.UserPassword, "pw");
    EXPECT_EQ(settings.PowerSaveDelay, 5);  // the bad value keeps its default
    EXPECT_EQ(settings.HotKey, 0xE041);     // read after it all the same
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\QUORTEX");
}

}  // namespace
}  // namespace vardex
