#pragma once
// Whether accounts other than the trusted ones may put code into a folder. The guardian runs as
// SYSTEM and starts programs and loads DLLs from its own folder: whoever can write there can run
// their code as SYSTEM. The folder's owner and access list come in as plain data.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vardex {

inline constexpr std::uint8_t kInheritOnlyEntry = 0x08;  // INHERIT_ONLY_ACE: not for the folder itself
inline constexpr const char* kEveryoneSid = "S-1-1-0";

// One entry of a folder's access list, as the system stores it.
struct AccessEntry {
    bool deny = false;       // an access-denied entry; otherwise access-allowed
    std::uint32_t mask = 0;  // specific and generic rights
    std::uint8_t flags = 0;  // the entry's inheritance flags
    std::string sid;         // "S-1-5-32-545"
};

struct FolderSecurity {
    std::string owner;  // the owner's SID: an owner may always rewrite the access list
    // Nothing when the folder has no access list at all, which lets everyone do anything.
    std::optional<std::vector<AccessEntry>> entries;
};

// The SID of an account, other than SYSTEM, Administrators, TrustedInstaller and ownAccount (the
// asking program's own), that may add a file or a subfolder to the folder, delete what it holds,
// or change its access list or its owner; nothing when no such account may. The entries are
// judged as the system judges them: in order, each right decided by the first entry that names
// one of the account's SIDs and that right. Every user carries Everyone, Authenticated Users,
// Users and Interactive, so those groups stand for any user, and an account the list names is
// judged together with them.
std::optional<std::string> UntrustedWriter(const FolderSecurity& folder, std::string_view ownAccount);

}  // namespace vardex
