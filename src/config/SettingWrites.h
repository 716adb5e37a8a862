#pragma once
// What an Apply writes, as a list of values in the window's order, and the one check of such a
// list that every writer makes: the window before it writes directly, and the guardian before it
// writes for a window that cannot.
#include "SettingsTable.h"

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace vardex {

// Saving wrote nothing, or stopped; the text says why.
class SaveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One value to write: its registry name in the settings key (a per-user value with its user
// key first), or kNetworkLogonValueName.
struct SettingWrite {
    std::string name;
    SettingValue value;
    bool operator==(const SettingWrite&) const = default;
};

// Windows' own "must be validated" flag of the network logon, which the System page sets too.
// Value names in the settings key never hold a backslash, so this name is never one of theirs.
inline constexpr const char* kNetworkLogonValueName = "Network\\Logon\\MustBeValidated";
inline constexpr const char* kNetworkLogonKeyPath = "Network\\Logon";
inline constexpr const char* kMustBeValidatedName = "MustBeValidated";

// Why the window may not write this value, or nothing when it may: the name is a value the
// window writes (per-user ones for a listed user or the default user), the value has the
// table's kind and lies in its range, a text is not too long, and a password is empty or a
// well-formed hash (a plain text would be readable by every user).
std::optional<std::string> RefusalOf(const SettingWrite& write, std::span<const std::string> listedUserKeys);

// Writes the values in order: the settings key first opened (created) for writing. SaveError
// "Nothing was saved: ..." when the key cannot be opened, "Not all settings were saved: ..."
// naming the value that failed; what came before it stays written.
void WriteSettings(Registry& registry, const std::vector<SettingWrite>& writes);

// The values of writes that differ from what the store holds now (a value that cannot be read
// counts as different), in their order.
std::vector<SettingWrite> ChangedWrites(Registry& registry, const std::vector<SettingWrite>& writes);

}  // namespace vardex
