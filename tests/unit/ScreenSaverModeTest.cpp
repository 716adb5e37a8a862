#include "FakeSystem.h"
#include "MemoryRegistry.h"
#include "common/Errors.h"
#include "service/ScreenSaverMode.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

using test::FakeSystemFacts;
using test::MemoryFileSystem;
using test::MemoryRegistry;

class ScreenSaverModeTest : public ::testing::Test {
protected:
    std::string Find() { return FindConfiguredScreenSaver(system, registry, files); }

    FakeSystemFacts system;
    MemoryRegistry registry;
    MemoryFileSystem files;
};

TEST_F(ScreenSaverModeTest, NtFamilyReadsTheUsersDesktopSetting)
{
    EXPECT_EQ(Find(), "");
    registry.Set(RootKey::CurrentUser, "Control Panel\\Desktop", "SCRNSAVE.EXE",
                 RegValue::String("C:\\WINDOWS\\system32\\vardexsaver.scr"));
    EXPECT_EQ(Find(), "C:\\WINDOWS\\system32\\vardexsaver.scr");
    EXPECT_TRUE(files.files.empty());  // system.ini is not looked at
}

TEST_F(ScreenSaverModeTest, NineXFamilyReadsSystemIniInTheWindowsDirectory)
{
    system.platformId = 1;
    registry.Set(RootKey::CurrentUser, "Control Panel\\Desktop", "SCRNSAVE.EXE", RegValue::String("ignored.scr"));
    files.files["C:\\WINDOWS\\system.ini"] = "[boot]\r\nSCRNSAVE.EXE=C:\\WINDOWS\\SYSTEM\\VARDEX~1.SCR\r\n";
    EXPECT_EQ(Find(), "C:\\WINDOWS\\SYSTEM\\VARDEX~1.SCR");
}

TEST_F(ScreenSaverModeTest, NineXWithoutSystemIniLeavesAnEmptyOneAndFindsNothing)
{
    system.platformId = 0;
    EXPECT_EQ(Find(), "");
    EXPECT_EQ(files.files.at("C:\\WINDOWS\\system.ini"), "");
}

TEST_F(ScreenSaverModeTest, NineXWithAnUnreadableSystemIniRaises)
{
    system.platformId = 1;
    files.files["C:\\WINDOWS\\system.ini"] = "[boot]\r\n";
    files.unreadable["C:\\WINDOWS\\system.ini"] = 32;
    EXPECT_THROW(Find(), IoError);
}

}  // namespace
}  // namespace vardex
