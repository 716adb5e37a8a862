#include "win/AccountDirectory_win.h"
#include "common/Accounts.h"
#include "win/Registry_win.h"
#include "win/SystemFacts_win.h"
#include "win/TextConvert_win.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace vardex {
namespace {

class AccountsWinTest : public ::testing::Test {
protected:
    Win32SystemFacts system;
    Win32AccountDirectory directory;
    Win32Registry registry;
    Accounts accounts{system, directory, registry};
};

std::string SystemUserName()
{
    wchar_t name[257];
    DWORD size = 257;
    EXPECT_TRUE(GetUserNameW(name, &size));
    return Narrow(name);
}

TEST_F(AccountsWinTest, CurrentUserIsTheLogonName)
{
    EXPECT_EQ(accounts.GetCurrentUserName(), SystemUserName());
}

TEST_F(AccountsWinTest, LoggedOnUserWithAProfileIsListedAndKeyedInTheListsSpelling)
{
    const std::string user = SystemUserName();
    const std::vector<std::string> list = accounts.EnumerateUsers(true);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.back(), ".Default=#");
    ASSERT_TRUE(accounts.HasLocalProfile(user)) << "no profile key for " << user;
    EXPECT_NE(std::find(list.begin(), list.end(), user + "=#"), list.end());
    std::string shouted = user;
    for (char& c : shouted)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(accounts.GetUserKey(shouted, false), user);
    EXPECT_EQ(accounts.GetUserKey("no-such-user-here", false), ".Default");
}

TEST_F(AccountsWinTest, UnknownAccountHasNoSidAndNoProfile)
{
    EXPECT_EQ(directory.AccountNameToSidText("no-such-user-here"), std::nullopt);
    EXPECT_FALSE(accounts.HasLocalProfile("no-such-user-here"));
}

TEST_F(AccountsWinTest, ManualSidTextAgreesWithTheSystemsConversion)
{
    BYTE buffer[SECURITY_MAX_SID_SIZE];
    for (const WELL_KNOWN_SID_TYPE type : {WinBuiltinAdministratorsSid, WinLocalSystemSid, WinWorldSid, WinNullSid}) {
        DWORD size = sizeof buffer;
        ASSERT_TRUE(CreateWellKnownSid(type, nullptr, buffer, &size));
        std::string api, manual;
        EXPECT_TRUE(SidToTextApi(buffer, api));
        EXPECT_TRUE(SidToTextManual(buffer, manual));
        EXPECT_EQ(api, manual);
    }
    std::string text;
    EXPECT_EQ(SidToTextManual(buffer, text), true);
    EXPECT_EQ(text, "S-1-0-0");  // the null SID, last of the list
    const auto user = directory.AccountNameToSidText(SystemUserName());
    ASSERT_TRUE(user);
    EXPECT_EQ(user->rfind("S-1-5-", 0), 0u) << *user;
}

TEST_F(AccountsWinTest, InvalidSidIsRefusedByTheManualConversion)
{
    BYTE bogus[16] = {9, 200};  // revision 9 and 200 sub-authorities
    std::string text = "stale";
    EXPECT_FALSE(SidToTextManual(bogus, text));
    EXPECT_EQ(text, "");
}

}  // namespace
}  // namespace vardex
