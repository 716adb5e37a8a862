#include "MemoryRegistry.h"
#include "common/Errors.h"
#include "common/RegValues.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

using test::MemoryRegistry;
constexpr auto HKLM = RootKey::LocalMachine;
constexpr auto HKCU = RootKey::CurrentUser;

TEST(TypedValues, WrongRegistryTypeRaisesNamingTheValue)
{
    MemoryRegistry registry;
    registry.Set(HKLM, "K", "APW", RegValue::Integer(1));
    registry.Set(HKLM, "K", "PMTO", RegValue::String("15"));
    registry.Set(HKLM, "K", "BIN", RegValue{});
    auto key = registry.Open(HKLM, "K", KeyAccess::Full, false);
    try {
        ReadTextValue(*key, "APW");
        FAIL() << "no error";
    } catch (const RegistryError& error) {
        EXPECT_STREQ(error.what(), "Invalid data type for 'APW'");
    }
    EXPECT_THROW(ReadIntegerValue(*key, "PMTO"), RegistryError);
    EXPECT_THROW(ReadFlagValue(*key, "BIN"), RegistryError);
    EXPECT_THROW(ReadTextValue(*key, "BIN"), RegistryError);
}

TEST(TypedValues, AbsentValuesAreNothingAndExpandStringsReadAsText)
{
    MemoryRegistry registry;
    registry.Set(HKLM, "K", "PBGI", RegValue::ExpandString("%WINDIR%\\a.bmp"));
    registry.Set(HKLM, "K", "PSBI", RegValue::Integer(7));
    auto key = registry.Open(HKLM, "K", KeyAccess::Full, false);
    EXPECT_EQ(ReadTextValue(*key, "missing"), std::nullopt);
    EXPECT_EQ(ReadTextValue(*key, "PBGI"), "%WINDIR%\\a.bmp");
    EXPECT_EQ(ReadFlagValue(*key, "PSBI"), true);  // any non-zero number is true
}

TEST(TypedValues, FailedWriteRaisesNamingTheValue)
{
    MemoryRegistry registry;
    registry.FailWritesOf("User1PDTC");
    auto key = registry.Open(HKLM, "K", KeyAccess::Full, true);
    try {
        WriteIntegerValue(*key, "User1PDTC", 3);
        FAIL() << "no error";
    } catch (const RegistryError& error) {
        EXPECT_STREQ(error.what(), "Failed to set data for 'User1PDTC'");
    }
}

TEST(ReadRegValueText, GivesStringsUnexpandedIntegersInDecimalAndEmptyOtherwise)
{
    MemoryRegistry registry;
    registry.Set(HKCU, "Control Panel\\Desktop", "SCRNSAVE.EXE", RegValue::ExpandString("%SystemRoot%\\x.scr"));
    registry.Set(HKCU, "Control Panel\\Desktop", "Negative", RegValue::Integer(-5));
    registry.Set(HKCU, "Control Panel\\Desktop", "Binary", RegValue{});
    EXPECT_EQ(ReadRegValueText(registry, HKCU, "Control Panel\\Desktop", "SCRNSAVE.EXE"), "%SystemRoot%\\x.scr");
    EXPECT_EQ(ReadRegValueText(registry, HKCU, "Control Panel\\Desktop", "Negative"), "-5");
    EXPECT_EQ(ReadRegValueText(registry, HKCU, "Control Panel\\Desktop", "Binary"), "");
    EXPECT_EQ(ReadRegValueText(registry, HKCU, "Control Panel\\Desktop", "Absent"), "");
    EXPECT_EQ(ReadRegValueText(registry, HKCU, "No\\Such\\Key", "SCRNSAVE.EXE"), "");
    EXPECT_FALSE(registry.HasKey(HKCU, "No\\Such\\Key"));  // reading never creates
}

TEST(WriteRegValueText, WritesEachKindAndCreatesTheKey)
{
    MemoryRegistry registry;
    WriteRegValueText(registry, HKLM, "SOFTWARE\\QUORTEX", RegValueKind::String, "a", "S");
    WriteRegValueText(registry, HKLM, "SOFTWARE\\QUORTEX", RegValueKind::ExpandString, "%x%", "E");
    WriteRegValueText(registry, HKLM, "SOFTWARE\\QUORTEX", RegValueKind::Integer, "2147483647", "I");
    WriteRegValueText(registry, HKLM, "SOFTWARE\\QUORTEX", RegValueKind::Integer, "", "Zero");
    EXPECT_EQ(registry.Get(HKLM, "SOFTWARE\\QUORTEX", "S"), RegValue::String("a"));
    EXPECT_EQ(registry.Get(HKLM, "SOFTWARE\\QUORTEX", "E"), RegValue::ExpandString("%x%"));
    EXPECT_EQ(registry.Get(HKLM, "SOFTWARE\\QUORTEX", "I"), RegValue::Integer(2147483647));
    EXPECT_EQ(registry.Get(HKLM, "SOFTWARE\\QUORTEX", "Zero"), RegValue::Integer(0));
}

TEST(WriteRegValueText, IntegerTextThatIsNotAnUnsignedDecimalWritesNothing)
{
    MemoryRegistry registry;
    for (const char* text : {"-1", "2147483648", "99999999999999999999", "12a", " 1", "1.5", "+3"}) {
        EXPECT_THROW(WriteRegValueText(registry, HKLM, "K", RegValueKind::Integer, text, "N"), ConversionError) << text;
    }
    EXPECT_FALSE(registry.HasKey(HKLM, "K"));
}

TEST(WriteRegValueText, UnopenableKeyWritesNothingAndReportsNothing)
{
    MemoryRegistry registry;
    registry.CreateKey(HKLM, "SOFTWARE\\QUORTEX");
    registry.DenyFullAccess(HKLM, "SOFTWARE\\QUORTEX");
    EXPECT_NO_THROW(WriteRegValueText(registry, HKLM, "SOFTWARE\\QUORTEX", RegValueKind::Integer, "3", "N"));
    EXPECT_EQ(registry.Get(HKLM, "SOFTWARE\\QUORTEX", "N"), std::nullopt);
}

TEST(WriteRegValueText, FailedWriteRaises)
{
    MemoryRegistry registry;
    registry.FailWritesOf("N");
    EXPECT_THROW(WriteRegValueText(registry, HKLM, "K", RegValueKind::String, "x", "N"), RegistryError);
}

}  // namespace
}  // namespace vardex
