#pragma once
// The configuration window's model: a copy of every setting it shows, one record per listed
// user, the change tracking, and loading with the window defaults and saving. The window's
// pages only move values between their controls and this model.
#include "SettingWrites.h"
#include "SettingsTable.h"
#include "common/PasswordHash.h"
#include "common/Registry.h"
#include "common/TimeFormat.h"
#include "common/Texts.h"
#include "common/WipedString.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vardex {

// A stored password as the window edits it. The stored value (a hash, or a plain text stored
// before hashes) is never shown: the window either keeps it, removes it, or replaces it with a
// new password, which is held only until it is hashed when saved.
class PasswordEdit {
public:
    void Load(std::string stored);
    bool IsSet() const noexcept { return change_ == Change::Replace || (change_ == Change::Keep && !stored_.empty()); }
    void Keep() noexcept;
    void Remove() noexcept;
    void Replace(WipedString password) noexcept;
    // What is written: the stored hash (or malformed value) as it is, a plain stored value
    // hashed, a new password hashed, or empty when removed. Throws Error when a hash cannot be
    // made.
    std::string ValueToStore(PasswordCrypto& crypto, std::uint32_t iterations) const;

private:
    enum class Change { Keep, Remove, Replace };
    std::string stored_;
    Change change_ = Change::Keep;
    WipedString new_;
};

// The values of one scope that the window shows, each with its row of the settings table and
// its window default until loaded. A value added to the table is here without further code.
class WindowValues {
public:
    explicit WindowValues(SettingScope scope);

    const SettingValue& Get(std::string_view name) const;
    // logic_error for a name the window does not hold or a value of another kind.
    void Set(std::string_view name, SettingValue value);
    const std::string& Text(std::string_view name) const { return std::get<std::string>(Get(name)); }
    std::int32_t Number(std::string_view name) const { return std::get<std::int32_t>(Get(name)); }
    bool Flag(std::string_view name) const { return std::get<bool>(Get(name)); }

    // Whether the value was read from the store or set since: a value that is written only when
    // set keeps its absence (which means something of its own) until the window sets it.
    bool Present(std::string_view name) const;
    // A value as read (nothing: absent, with the window default).
    void Take(std::string_view name, std::optional<SettingValue> stored);
    // Whether a save writes the value.
    bool Written(const SettingDefinition& definition) const;

    // Each value the window reads from the store (not those it only writes), from key (none:
    // the defaults stay); a wrong type keeps the default and is reported in problems.
    void Load(RegistryKey* key, const std::string& userKey, std::vector<std::string>& problems);

private:
    struct Entry {
        const SettingDefinition* definition;
        SettingValue value;
        bool present;
    };
    Entry& Find(std::string_view name);
    const Entry& Find(std::string_view name) const;

    std::vector<Entry> entries_;
};

// A user's use as last stored (the window only reads it): the day and week counted, and the
// seconds used in each.
struct StoredUse {
    std::int32_t day = 0;
    std::int64_t usedSeconds = 0;
    std::int32_t week = 0;
    std::int64_t weekUsedSeconds = 0;
};

// A listed user's settings while the window is open (the window's TUserObject).
struct UserRecord {
    std::string userKey;
    PasswordEdit password;
    WindowValues values{SettingScope::PerUser};
    StoredUse use;
};

// The lock service's reading of the record as the window holds it now, with the use last read:
// what the window's "today" line judges with the same rules the service enforces.
LockServiceSettings ServiceReadingOf(const UserRecord& user, const RegionalFormats& formats);

class ConfigModel {
public:
    // The user keys of the listed users, in tree order.
    explicit ConfigModel(const std::vector<std::string>& userKeys);

    // Every global value and every user record from the store, each with its window default when
    // absent or when the key cannot be opened. Returns the reports of values of a wrong type
    // (which keep their defaults).
    std::vector<std::string> Load(Registry& registry);
    // Every value the window writes, global values first, then each user in tree order, with
    // new passwords hashed. SaveError when a hash cannot be made; the model is unchanged.
    std::vector<SettingWrite> PlanSave(PasswordCrypto& crypto, std::uint32_t hashIterations = kPasswordHashIterations) const;
    // The planned values are written: the passwords are kept as the hashes written, and no
    // typed text stays.
    void Saved(const std::vector<SettingWrite>& written);
    // Plans and writes directly. SaveError names why nothing (or not everything) was written;
    // the model is then unchanged.
    void Save(Registry& registry, PasswordCrypto& crypto, std::uint32_t hashIterations = kPasswordHashIterations);

    const SettingValue& Global(std::string_view name) const { return globals_.Get(name); }
    void SetGlobal(std::string_view name, SettingValue value) { globals_.Set(name, std::move(value)); }
    PasswordEdit& AdminPassword() noexcept { return adminPassword_; }
    std::vector<UserRecord>& Users() noexcept { return users_; }
    const std::vector<UserRecord>& Users() const noexcept { return users_; }

    // Change tracking (the pages leave out what their own filling changes).
    bool Changed() const noexcept { return changed_; }
    void DataChange() noexcept { changed_ = true; }
    void ClearChanged() noexcept { changed_ = false; }

private:
    WindowValues globals_{SettingScope::Global};
    PasswordEdit adminPassword_;
    std::vector<UserRecord> users_;
    bool changed_ = false;
};

// The password pair check that runs when either field of a pair loses the focus. counter is
// kept with the confirm field.
struct PasswordPairResult {
    enum class Focus { None, Password, Confirm } focus = Focus::None;
    bool clearPassword = false;
    bool clearConfirm = false;
    bool operator==(const PasswordPairResult&) const = default;
};
PasswordPairResult CheckPasswordPair(std::string_view password, std::string_view confirm, int& counter);

// The check before a pair is saved or left: the two texts must be the same after removing blanks
// at both ends (both empty removes the password). Otherwise why not, in a message after the
// subject that names whose password it is ("The administrator password is not confirmed:"),
// and the field to type in next.
struct UnconfirmedPair {
    std::string message;
    PasswordPairResult::Focus focus = PasswordPairResult::Focus::Password;
    bool operator==(const UnconfirmedPair&) const = default;
};
std::optional<UnconfirmedPair> UnconfirmedPasswordPair(std::string_view password, std::string_view confirm,
                                                       std::string_view subject, const Texts& texts);

// The users whose schedule restriction is on while their schedule allows no time at all.
std::vector<std::string> UsersLockedOutBySchedule(const std::vector<UserRecord>& users, const RegionalFormats& formats);

// The picture file as the lock service opens it: a bare or relative name (the default
// "scrlogo.jpg") is the one in the program's folder, a name from the root of a drive is on the
// program's drive; a name with its drive or a network name stays as it is.
std::string PictureInProgramFolder(std::string_view path, std::string_view programDirectory);

// A number typed into a bounded number field: brought to the nearest limit; a text that is not
// a number counts as fallback.
std::int32_t BoundedNumber(std::string_view text, std::int32_t low, std::int32_t high, std::int32_t fallback);

}  // namespace vardex
