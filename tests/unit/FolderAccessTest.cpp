// Who may put code into the guardian's folder: the access lists that keep users out, the ones
// that let them in (also through generic rights, the owner or the order of deny entries), and
// the list the installer sets, which must be one of the first kind.
#include "common/FolderAccess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace vardex {
namespace {

constexpr const char* kSystem = "S-1-5-18";
constexpr const char* kAdministrators = "S-1-5-32-544";
constexpr const char* kUsers = "S-1-5-32-545";
constexpr const char* kAuthenticatedUsers = "S-1-5-11";
constexpr const char* kInteractive = "S-1-5-4";
constexpr const char* kCreatorOwner = "S-1-3-0";
constexpr const char* kTrustedInstaller = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
constexpr const char* kAnna = "S-1-5-21-1004336348-1177238915-682003330-1001";
constexpr const char* kOwnAccount = "S-1-5-21-0-0-0-1000";  // the asking service's, as under Wine

constexpr std::uint32_t kFullControl = 0x001F01FF, kModify = 0x001301BF, kReadAndRun = 0x001200A9;
constexpr std::uint32_t kAddFile = 0x0002, kAppend = 0x0004, kDeleteChild = 0x0040, kWriteAttributes = 0x0100;
constexpr std::uint32_t kWriteExtended = 0x0010, kWriteDac = 0x00040000, kWriteOwner = 0x00080000;
constexpr std::uint32_t kGenericAll = 0x10000000, kGenericWrite = 0x40000000;
constexpr std::uint8_t kInherited = 0x03;  // (OI)(CI): for the folder and what it holds

AccessEntry Allow(std::uint32_t mask, const char* sid, std::uint8_t flags = kInherited)
{
    return {false, mask, flags, sid};
}

AccessEntry Deny(std::uint32_t mask, const char* sid)
{
    return {true, mask, kInherited, sid};
}

// Program Files' own list, less the application packages.
const std::vector<AccessEntry> kProgramFiles{
    Allow(kFullControl, kTrustedInstaller), Allow(kGenericAll, kTrustedInstaller, 0x0B),
    Allow(kModify, kSystem, 0),             Allow(kGenericAll, kSystem, 0x0B),
    Allow(kModify, kAdministrators, 0),     Allow(kGenericAll, kAdministrators, 0x0B),
    Allow(kReadAndRun, kUsers),             Allow(kGenericAll, kCreatorOwner, 0x0B)};

std::vector<AccessEntry> Plus(std::vector<AccessEntry> entries, std::initializer_list<AccessEntry> more)
{
    entries.insert(entries.end(), more);
    return entries;
}

TEST(FolderAccess, OnlyListsThatLetNoUntrustedAccountPutCodeInAreAccepted)
{
    struct Case {
        const char* what;
        std::string owner;
        std::optional<std::vector<AccessEntry>> entries;
        std::optional<std::string> writer;
    };
    const Case cases[] = {
        {"Program Files' list", kTrustedInstaller, kProgramFiles, std::nullopt},
        {"Wine's list of the service's own folder", kOwnAccount,
         std::vector{Allow(kFullControl, kSystem), Allow(kFullControl, kOwnAccount), Allow(kReadAndRun, "S-1-1-0")},
         std::nullopt},
        {"no entries: nobody gets in", kSystem, std::vector<AccessEntry>{}, std::nullopt},
        {"no access list at all", kSystem, std::nullopt, "S-1-1-0"},
        {"a user owns it", kAnna, kProgramFiles, kAnna},
        {"one user may add files", kSystem, Plus(kProgramFiles, {Allow(kAddFile, kAnna)}), kAnna},
        {"users may only write attributes", kSystem,
         Plus(kProgramFiles, {Allow(kWriteAttributes | kWriteExtended, kUsers)}), std::nullopt},
        {"users' right to add files is only for what the folder holds", kSystem,
         Plus(kProgramFiles, {Allow(kModify, kUsers, 0x0B)}), std::nullopt},
        {"everyone denied writing before users are allowed it", kSystem,
         std::vector{Deny(kModify | kDeleteChild | kWriteDac | kWriteOwner, "S-1-1-0"), Allow(kFullControl, kUsers)},
         std::nullopt},
        {"users allowed writing before everyone is denied it", kSystem,
         std::vector{Allow(kModify, kUsers), Deny(kModify, "S-1-1-0")}, kUsers},
        {"a deny of adding files leaves deleting what it holds", kSystem,
         std::vector{Deny(kAddFile | kAppend, kUsers), Allow(kFullControl, kUsers)}, kUsers},
        {"the user named is one of the users denied before", kSystem,
         std::vector{Deny(kFullControl, kUsers), Allow(kFullControl, kAnna)}, std::nullopt},
        {"one user denied, the other users allowed", kSystem,
         std::vector{Deny(kFullControl, kAnna), Allow(kModify, kUsers)}, kUsers},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UntrustedWriter({c.owner, c.entries}, kOwnAccount), c.writer) << c.what;
    // Each right that lets code in, given to one of the groups every user carries.
    const std::pair<std::uint32_t, const char*> grants[] = {
        {kAddFile, kUsers},           {kAppend, kInteractive}, {kDeleteChild, kAuthenticatedUsers},
        {kWriteDac, "S-1-1-0"},       {kWriteOwner, kUsers},   {kGenericWrite, kInteractive},
        {kGenericAll, kAuthenticatedUsers}};
    for (const auto& [right, group] : grants)
        EXPECT_EQ(UntrustedWriter({kSystem, Plus(kProgramFiles, {Allow(right, group)})}, kOwnAccount), group) << right;
    // The service's own account is trusted only as that: another program's is not.
    const FolderSecurity wine{kOwnAccount, std::vector{Allow(kFullControl, kOwnAccount)}};
    EXPECT_EQ(UntrustedWriter(wine, kSystem), kOwnAccount);
}

// The icacls call of installer/vardex.wxs, its grants turned into entries: the installed folder
// must pass the guardian's check, or the guardian would refuse to run after every install.
std::vector<AccessEntry> InstallerGrants()
{
    const auto wxs =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "installer" / "vardex.wxs";
    std::ifstream file(wxs);
    std::stringstream text;
    text << file.rdbuf();
    std::smatch call;
    const std::string all = text.str();
    if (!std::regex_search(all, call, std::regex("Id=\"ProtectInstallFolder\"[^>]*ExeCommand=\"([^\"]*)\"")))
        throw std::runtime_error("no ProtectInstallFolder action in " + wxs.string());
    const std::string command = call[1];
    if (command.find("/inheritance:r") == std::string::npos)
        throw std::runtime_error("the folder would keep what it inherits: " + command);
    const std::map<std::string, std::uint32_t> rights{
        {"F", kFullControl}, {"M", kModify}, {"RX", kReadAndRun}, {"R", 0x00120089}, {"W", 0x00100116}};
    std::vector<AccessEntry> entries;
    const std::regex grant("\\*(S-[0-9-]+):((?:\\([A-Z]+\\))*)([A-Z]+)");
    for (auto it = std::sregex_iterator(command.begin(), command.end(), grant); it != std::sregex_iterator(); ++it)
        entries.push_back(Allow(rights.at((*it)[3]), (*it)[1].str().c_str()));
    return entries;
}

TEST(FolderAccess, TheInstallersAccessListKeepsUsersOutAndLetsThemRun)
{
    const std::vector<AccessEntry> entries = InstallerGrants();
    EXPECT_EQ(UntrustedWriter({kAdministrators, entries}, kSystem), std::nullopt);
    const auto users =
        std::find_if(entries.begin(), entries.end(), [](const AccessEntry& entry) { return entry.sid == kUsers; });
    ASSERT_NE(users, entries.end());
    EXPECT_EQ(users->mask & kReadAndRun, kReadAndRun);
}

}  // namespace
}  // namespace vardex
