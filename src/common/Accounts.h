#pragma once
// The current user, the user key and the list of local users that have a profile.
#include "Registry.h"
#include "SystemFacts.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vardex {

inline constexpr const char* kDefaultUserKey = ".Default";
inline constexpr const char* kDefaultUserEntry = ".Default=#";
inline constexpr std::uint32_t kErrorMoreData = 234;

// One answer of the network user enumeration: its status and the user names it returned.
struct UserEnumBatch {
    std::uint32_t status = 0;
    std::vector<std::string> names;
};

// A loaded network library with its user enumeration entry points.
class NetUserEnumeration {
public:
    virtual ~NetUserEnumeration() = default;
    // One call of the enumeration on the local machine, continuing at resumeHandle.
    virtual UserEnumBatch Next(std::uint32_t& resumeHandle) = 0;
};

// The account services of the NT family.
class AccountDirectory {
public:
    virtual ~AccountDirectory() = default;
    // Nothing when the network library or one of its entry points is missing.
    virtual std::unique_ptr<NetUserEnumeration> OpenNetUserEnumeration() = 0;
    // The textual security identifier of a local account, or nothing when it is unknown.
    virtual std::optional<std::string> AccountNameToSidText(const std::string& name) = 0;
};

class Accounts {
public:
    Accounts(SystemFacts& system, AccountDirectory& directory, Registry& registry);

    // The logon name, or ".Default" when the system gives none.
    std::string GetCurrentUserName();
    // The account list entry (longForm) or its name part whose name equals name ignoring
    // letter case (the system's rules: "émile" finds "Émile"); ".Default=#" or ".Default" when
    // there is none.
    std::string GetUserKey(const std::string& name, bool longForm);
    // The local users with a profile, in the system's order, then the default entry.
    // Long form: "name=#" on NT, "name=profile folder" on 9x.
    std::vector<std::string> EnumerateUsers(bool longForm);
    // True when the account has a profile key on this machine (NT only).
    bool HasLocalProfile(const std::string& name);

private:
    void EnumerateNtUsers(std::vector<std::string>& list, bool longForm);
    void Enumerate9xUsers(std::vector<std::string>& list, bool longForm);

    SystemFacts& system_;
    AccountDirectory& directory_;
    Registry& registry_;
};

}  // namespace vardex
