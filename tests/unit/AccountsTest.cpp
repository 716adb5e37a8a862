#include "FakeSystem.h"
#include "MemoryRegistry.h"
#include "common/Accounts.h"
#include "common/SidText.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

using test::FakeAccountDirectory;
using test::FakeSystemFacts;
using test::MemoryRegistry;
using List = std::vector<std::string>;

constexpr const char* kNtProfiles = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
constexpr const char* k9xProfiles = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileList";

class AccountsTest : public ::testing::Test {
protected:
    // An NT account with a SID and, when withProfile, a profile key.
    void AddNtUser(const std::string& name, const std::string& sid, bool withProfile = true)
    {
        directory.sids[name] = sid;
        if (withProfile)
            registry.CreateKey(RootKey::LocalMachine, kNtProfiles + sid);
    }

    void Add9xProfile(const std::string& name, const char* folder)
    {
        const std::string path = std::string(k9xProfiles) + "\\" + name;
        registry.CreateKey(RootKey::LocalMachine, path);
        if (folder)
            registry.Set(RootKey::LocalMachine, path, "ProfileImagePath", RegValue::String(folder));
    }

    FakeSystemFacts system;
    FakeAccountDirectory directory;
    MemoryRegistry registry;
    Accounts accounts{system, directory, registry};
};

TEST_F(AccountsTest, CurrentUserNameFallsBackToDefault)
{
    system.userName = "Guest";
    EXPECT_EQ(accounts.GetCurrentUserName(), "Guest");
    system.userName = "";
    EXPECT_EQ(accounts.GetCurrentUserName(), ".Default");
    system.userName = std::nullopt;
    EXPECT_EQ(accounts.GetCurrentUserName(), ".Default");
}

TEST_F(AccountsTest, NtListHoldsOnlyAccountsWithAProfileKeyThenTheDefault)
{
    directory.batches = {{0, {"User1", "NoProfile", "Unknown", "Admin"}}};
    AddNtUser("User1", "S-1-5-21-1-1000");
    AddNtUser("NoProfile", "S-1-5-21-1-1001", false);
    AddNtUser("Admin", "S-1-5-21-1-500");
    EXPECT_EQ(accounts.EnumerateUsers(false), (List{"User1", "Admin", ".Default"}));
    EXPECT_EQ(accounts.EnumerateUsers(true), (List{"User1=#", "Admin=#", ".Default=#"}));
}

TEST_F(AccountsTest, NtEnumerationOverSeveralCallsKeepsTheirOrder)
{
    directory.batches = {{234, {"B", "A"}}, {234, {"C"}}, {0, {"D"}}};
    for (const char* name : {"A", "B", "C", "D"})
        AddNtUser(name, std::string("S-1-5-") + name);
    EXPECT_EQ(accounts.EnumerateUsers(false), (List{"B", "A", "C", "D", ".Default"}));
    EXPECT_EQ(directory.resumeHandlesSeen, (std::vector<std::uint32_t>{0, 1, 2}));
}

TEST_F(AccountsTest, NtEnumerationStopsOnFailureAndOnMoreDataWithoutEntries)
{
    directory.batches = {{234, {"A"}}, {5, {"B"}}};
    AddNtUser("A", "S-1-5-A");
    AddNtUser("B", "S-1-5-B");
    EXPECT_EQ(accounts.EnumerateUsers(false), (List{"A", ".Default"}));

    // "More data" that never brings an entry, or never moves the resume handle, must not
    // loop for ever.
    directory.batches = {{234, {}}};
    EXPECT_EQ(accounts.EnumerateUsers(false), (List{".Default"}));
    directory.batches = {{234, {"A"}}};
    directory.resumeStuck = true;
    EXPECT_EQ(accounts.EnumerateUsers(false), (List{"A", ".Default"}));
}

TEST_F(AccountsTest, MissingNetworkLibraryLeavesOnlyTheDefault)
{
    directory.libraryPresent = false;
    EXPECT_EQ(accounts.EnumerateUsers(true), (List{".Default=#"}));
}

TEST_F(AccountsTest, UserKeyTakesTheListsSpellingOrTheDefault)
{
    directory.batches = {{0, {"User1"}}};
    AddNtUser("User1", "S-1-5-21-1-1000");
    EXPECT_EQ(accounts.GetUserKey("user1", false), "User1");
    EXPECT_EQ(accounts.GetUserKey("USER1", true), "User1=#");
    EXPECT_EQ(accounts.GetUserKey("Stranger", false), ".Default");
    EXPECT_EQ(accounts.GetUserKey("Stranger", true), ".Default=#");
    EXPECT_EQ(accounts.GetUserKey(".default", false), ".Default");
    EXPECT_EQ(accounts.GetUserKey("", false), ".Default");
}

TEST_F(AccountsTest, UserKeyIgnoresTheCaseOfEveryLetterBySystemRules)
{
    directory.batches = {{0, {"\xC3\x89mile"}}};  // Émile
    AddNtUser("\xC3\x89mile", "S-1-5-21-1-1001");
    EXPECT_EQ(accounts.GetUserKey("\xC3\xA9mile", false), "\xC3\x89mile");  // émile
    EXPECT_EQ(accounts.GetUserKey("Emile", false), ".Default");
}

TEST_F(AccountsTest, NineXListTakesProfileFoldersAndSkipsEmptyOnes)
{
    system.platformId = 1;
    Add9xProfile("User1", "C:\\WINDOWS\\Profiles\\User1");
    Add9xProfile("NoFolder", nullptr);
    Add9xProfile("EmptyFolder", "");
    Add9xProfile("zed", "D:\\P\\zed");
    EXPECT_EQ(accounts.EnumerateUsers(true), (List{"User1=C:\\WINDOWS\\Profiles\\User1", "zed=D:\\P\\zed", ".Default=#"}));
    EXPECT_EQ(accounts.EnumerateUsers(false), (List{"User1", "zed", ".Default"}));
    EXPECT_EQ(accounts.GetUserKey("USER1", false), "User1");
}

TEST_F(AccountsTest, NineXWithoutProfileListKeyListsOnlyTheDefault)
{
    system.platformId = 0;
    EXPECT_EQ(accounts.EnumerateUsers(false), (List{".Default"}));
}

TEST_F(AccountsTest, ProfileTestNeedsOnlyReadAccessAndAKnownAccount)
{
    AddNtUser("User1", "S-1-5-21-1-1000");
    registry.DenyFullAccess(RootKey::LocalMachine, std::string(kNtProfiles) + "S-1-5-21-1-1000");
    EXPECT_TRUE(accounts.HasLocalProfile("User1"));
    EXPECT_FALSE(accounts.HasLocalProfile("Nobody"));
}

TEST(SidToTextManual, WritesRevisionOneDecimalOrHexAuthorityAndUnsignedSubAuthorities)
{
    EXPECT_EQ(SidToTextManual({{0, 0, 0, 0, 0, 5}, {32, 544}}), "S-1-5-32-544");
    EXPECT_EQ(SidToTextManual({{1, 0, 0, 0, 0, 10}, {1}}), "S-1-0x01000000000a-1");
    EXPECT_EQ(SidToTextManual({{0, 1, 0, 0, 0, 0}, {}}), "S-1-0x000100000000");
    EXPECT_EQ(SidToTextManual({{0, 0, 0x80, 0, 0, 1}, {}}), "S-1-2147483649");
    EXPECT_EQ(SidToTextManual({{0, 0, 0, 0, 0, 5}, {21, 4294967295u, 2147483648u}}), "S-1-5-21-4294967295-2147483648");
}

}  // namespace
}  // namespace vardex
