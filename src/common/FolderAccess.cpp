#include "FolderAccess.h"

#include <algorithm>
#include <array>

namespace vardex {

namespace {
// Add a file (the same bit as "write data"), add a subfolder ("append data"), delete a child,
// write the access list, take the ownership.
constexpr std::uint32_t kPlantingRights = 0x0002 | 0x0004 | 0x0040 | 0x00040000 | 0x00080000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
// What the generic rights mean for a file or folder: FILE_ALL_ACCESS and FILE_GENERIC_WRITE.
constexpr std::uint32_t kFileAllAccess = 0x001F01FF;
constexpr std::uint32_t kFileGenericWrite = 0x00120116;

constexpr std::array<std::string_view, 4> kEveryUsersGroups{kEveryoneSid, "S-1-5-11", "S-1-5-32-545", "S-1-5-4"};
constexpr std::array<std::string_view, 5> kTrustedAccounts{
    "S-1-5-18",      // SYSTEM
    "S-1-5-32-544",  // Administrators
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",  // TrustedInstaller
    "S-1-3-0",       // CREATOR OWNER: stands for the creator in what is inherited, for nobody here
    "S-1-3-4",       // OWNER RIGHTS: the owner, which is judged on its own
};

template <typename List>
bool Holds(const List& list, std::string_view sid)
{
    return std::find(list.begin(), list.end(), sid) != list.end();
}

bool Trusted(std::string_view sid, std::string_view ownAccount)
{
    return sid == ownAccount || Holds(kTrustedAccounts, sid);
}

std::uint32_t SpecificRights(std::uint32_t mask)
{
    if (mask & kGenericAll)
        mask |= kFileAllAccess;
    if (mask & kGenericWrite)
        mask |= kFileGenericWrite;
    return mask;
}

// The SID of the entry that grants an account holding these SIDs a planting right, if one does.
std::optional<std::string> GrantingEntry(const std::vector<AccessEntry>& entries,
                                         const std::vector<std::string_view>& accountSids)
{
    std::uint32_t undecided = kPlantingRights;
    for (const AccessEntry& entry : entries) {
        if ((entry.flags & kInheritOnlyEntry) || !Holds(accountSids, entry.sid))
            continue;
        const std::uint32_t rights = SpecificRights(entry.mask) & undecided;
        if (rights == 0)
            continue;
        if (!entry.deny)
            return entry.sid;
        undecided &= ~rights;
        if (undecided == 0)
            break;
    }
    return std::nullopt;
}
}  // namespace

std::optional<std::string> UntrustedWriter(const FolderSecurity& folder, std::string_view ownAccount)
{
    if (!Trusted(folder.owner, ownAccount))
        return folder.owner;
    if (!folder.entries)
        return kEveryoneSid;
    // Any user (the groups alone), then each other account the list names, with those groups.
    std::vector<std::string_view> named;
    for (const AccessEntry& entry : *folder.entries)
        if (!Trusted(entry.sid, ownAccount) && !Holds(kEveryUsersGroups, entry.sid) && !Holds(named, entry.sid))
            named.push_back(entry.sid);
    const std::vector<std::string_view> groups(kEveryUsersGroups.begin(), kEveryUsersGroups.end());
    if (auto granting = GrantingEntry(*folder.entries, groups))
        return granting;
    for (const std::string_view account : named) {
        std::vector<std::string_view> accountSids = groups;
        accountSids.push_back(account);
        if (auto granting = GrantingEntry(*folder.entries, accountSids))
            return granting;
    }
    return std::nullopt;
}

}  // namespace vardex
