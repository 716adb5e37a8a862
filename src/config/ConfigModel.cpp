#include "ConfigModel.h"

#include "Schedule.h"
#include "UserRules.h"
#include "common/Errors.h"
#include "common/Texts.h"
#include "common/Text.h"

#include <algorithm>
#include <charconv>
#include <span>

namespace vardex {

namespace {
namespace N = SettingNames;

// The order the window has always written in, which other readers of the key may rely on:
// Windows' validation flag, the global values, then each user's. Values not named here are
// written after them, in table order.
constexpr const char* kGlobalSaveOrder[] = {N::BootKeysDisabled, N::PowerSaveMode, N::LockAtStartup,
                                            N::ShutdownAllowed, N::ScreenSaverMode, N::UserValidation,
                                            N::StatisticsEnabled, N::PowerSaveTimeout, N::AdminPassword,
                                            N::BackgroundFile, N::ShowBackground, N::HotKey};
constexpr const char* kUserSaveOrder[] = {N::Schedule, N::UserPassword, N::AllowedHours, N::RestrictBySchedule,
                                          N::RestrictByDuration};

std::vector<const SettingDefinition*> SaveOrder(SettingScope scope, std::span<const char* const> first)
{
    std::vector<const SettingDefinition*> order;
    for (const char* name : first)
        order.push_back(&FindSetting(name));
    for (const SettingDefinition& definition : SettingsTable())
        if (definition.scope == scope && definition.window != WindowUse::None &&
            std::find(order.begin(), order.end(), &definition) == order.end())
            order.push_back(&definition);
    return order;
}

bool IsPassword(const SettingDefinition& definition)
{
    return definition.name == std::string_view(N::AdminPassword) ||
           definition.name == std::string_view(N::UserPassword);
}

// Reads one value; nothing when absent. A wrong type is reported, and reads as absent.
std::optional<SettingValue> ReadStored(RegistryKey* key, const SettingDefinition& definition, const std::string& userKey,
                                       std::vector<std::string>& problems)
{
    if (key) {
        try {
            return ReadSetting(*key, definition, userKey);
        } catch (const RegistryError& error) {
            problems.emplace_back(error.what());
        }
    }
    return std::nullopt;
}

SettingValue ReadOrDefault(RegistryKey* key, const SettingDefinition& definition, const std::string& userKey,
                           std::vector<std::string>& problems)
{
    return ReadStored(key, definition, userKey, problems).value_or(definition.windowDefault);
}

// The counters are the service's and the guardian's to report: one that cannot be read is no use.
StoredUse ReadUse(RegistryKey* key, const std::string& userKey)
{
    std::vector<std::string> problems;
    const auto number = [&](const char* name) -> std::int64_t {
        const std::optional<SettingValue> value = ReadStored(key, FindSetting(name), userKey, problems);
        return value ? std::get<std::int32_t>(*value) : 0;
    };
    return {static_cast<std::int32_t>(number(N::CounterDay)), number(N::UsedSeconds),
            static_cast<std::int32_t>(number(N::WeekCounterDay)), number(N::WeekUsedSeconds)};
}
}  // namespace

void PasswordEdit::Load(std::string stored)
{
    stored_ = std::move(stored);
    Keep();
}

void PasswordEdit::Keep() noexcept
{
    change_ = Change::Keep;
    new_ = WipedString();
}

void PasswordEdit::Remove() noexcept
{
    change_ = Change::Remove;
    new_ = WipedString();
}

void PasswordEdit::Replace(WipedString password) noexcept
{
    change_ = Change::Replace;
    new_ = std::move(password);
}

std::string PasswordEdit::ValueToStore(PasswordCrypto& crypto, std::uint32_t iterations) const
{
    switch (change_) {
    case Change::Remove: return {};
    case Change::Replace: return HashPassword(new_.Text(), crypto, iterations);
    case Change::Keep: break;
    }
    // A plain password stored before hashes is written back as a hash. A malformed value is
    // written back as it is: hashed, its readable text would become the password.
    if (stored_.empty() || ClassifyStoredPassword(stored_) != StoredPasswordKind::Plain)
        return stored_;
    return HashPassword(stored_, crypto, iterations);
}

WindowValues::WindowValues(SettingScope scope)
{
    for (const SettingDefinition& definition : SettingsTable())
        if (definition.scope == scope && definition.window != WindowUse::None && !IsPassword(definition))
            entries_.push_back({&definition, definition.windowDefault, false});
}

WindowValues::Entry& WindowValues::Find(std::string_view name)
{
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [name](const Entry& e) { return name == e.definition->name; });
    if (it == entries_.end())
        throw std::logic_error("The window holds no value " + std::string(name));
    return *it;
}

const WindowValues::Entry& WindowValues::Find(std::string_view name) const
{
    return const_cast<WindowValues*>(this)->Find(name);
}

const SettingValue& WindowValues::Get(std::string_view name) const
{
    return Find(name).value;
}

void WindowValues::Set(std::string_view name, SettingValue value)
{
    Entry& entry = Find(name);
    if (value.index() != entry.value.index())
        throw std::logic_error("A value of another kind for " + std::string(name));
    entry.value = std::move(value);
    entry.present = true;
}

bool WindowValues::Present(std::string_view name) const
{
    return Find(name).present;
}

void WindowValues::Take(std::string_view name, std::optional<SettingValue> stored)
{
    Entry& entry = Find(name);
    entry.present = stored.has_value();
    entry.value = stored ? std::move(*stored) : entry.definition->windowDefault;
}

bool WindowValues::Written(const SettingDefinition& definition) const
{
    return !definition.writtenWhenSet || Present(definition.name);
}

void WindowValues::Load(RegistryKey* key, const std::string& userKey, std::vector<std::string>& problems)
{
    for (Entry& entry : entries_)
        if (entry.definition->window == WindowUse::ReadWrite)
            Take(entry.definition->name, ReadStored(key, *entry.definition, userKey, problems));
}

ConfigModel::ConfigModel(const std::vector<std::string>& userKeys)
{
    for (const std::string& key : userKeys)
        users_.push_back({key, {}, WindowValues(SettingScope::PerUser), {}});
}

std::vector<std::string> ConfigModel::Load(Registry& registry)
{
    std::vector<std::string> problems;
    const std::unique_ptr<RegistryKey> key =
        registry.Open(RootKey::LocalMachine, kSettingsKeyPath, KeyAccess::Read, false);
    RegistryKey* k = key.get();
    globals_.Load(k, {}, problems);
    adminPassword_.Load(std::get<std::string>(ReadOrDefault(k, FindSetting(N::AdminPassword), {}, problems)));
    for (UserRecord& user : users_)
        for (const SettingDefinition* definition : SaveOrder(SettingScope::PerUser, kUserSaveOrder)) {
            if (IsPassword(*definition))
                user.password.Load(std::get<std::string>(ReadOrDefault(k, *definition, user.userKey, problems)));
            else if (definition->window == WindowUse::ReadWrite)
                user.values.Take(definition->name, ReadStored(k, *definition, user.userKey, problems));
        }
    for (UserRecord& user : users_)
        user.use = ReadUse(k, user.userKey);
    return problems;
}

LockServiceSettings ServiceReadingOf(const UserRecord& user, const RegionalFormats& formats)
{
    LockServiceSettings settings = DefaultServiceSettings(user.userKey, {});
    std::vector<std::string> problems;
    ServiceLoad load{settings, formats, problems};
    for (const SettingDefinition& definition : SettingsTable())
        if (definition.scope == SettingScope::PerUser && definition.window == WindowUse::ReadWrite &&
            definition.toService && !IsPassword(definition) && user.values.Written(definition))
            definition.toService(load, user.values.Get(definition.name));
    settings.CounterDay = user.use.day;
    settings.UsedSeconds = static_cast<std::uint32_t>(std::clamp<std::int64_t>(user.use.usedSeconds, 0, UINT32_MAX));
    settings.WeekCounterDay = user.use.week;
    settings.WeekUsedSeconds = static_cast<std::uint32_t>(std::clamp<std::int64_t>(user.use.weekUsedSeconds, 0, UINT32_MAX));
    return settings;
}

std::vector<SettingWrite> ConfigModel::PlanSave(PasswordCrypto& crypto, std::uint32_t hashIterations) const
{
    // Every hash first: nothing is written when one cannot be made.
    std::vector<std::string> userPasswords;
    std::string adminPassword;
    try {
        adminPassword = adminPassword_.ValueToStore(crypto, hashIterations);
        for (const UserRecord& user : users_)
            userPasswords.push_back(user.password.ValueToStore(crypto, hashIterations));
    } catch (const Error& error) {
        throw SaveError(EnglishMessage(TextId::MessageNothingSaved, {error.what()}));
    }
    // Windows' own validation flag first, as the window records it after.
    std::vector<SettingWrite> writes{{kNetworkLogonValueName, Global(N::UserValidation)}};
    for (const SettingDefinition* definition : SaveOrder(SettingScope::Global, kGlobalSaveOrder))
        if (IsPassword(*definition))
            writes.push_back({definition->name, adminPassword});
        else if (globals_.Written(*definition))
            writes.push_back({definition->name, globals_.Get(definition->name)});
    for (size_t i = 0; i < users_.size(); ++i) {
        const UserRecord& user = users_[i];
        for (const SettingDefinition* definition : SaveOrder(SettingScope::PerUser, kUserSaveOrder))
            if (IsPassword(*definition))
                writes.push_back({SettingValueName(*definition, user.userKey), userPasswords[i]});
            else if (user.values.Written(*definition))
                writes.push_back({SettingValueName(*definition, user.userKey), user.values.Get(definition->name)});
    }
    return writes;
}

void ConfigModel::Saved(const std::vector<SettingWrite>& written)
{
    const auto storedPassword = [&written](const std::string& name) -> std::optional<std::string> {
        for (const SettingWrite& write : written)
            if (write.name == name)
                return std::get<std::string>(write.value);
        return std::nullopt;
    };
    if (auto stored = storedPassword(N::AdminPassword))
        adminPassword_.Load(std::move(*stored));
    for (UserRecord& user : users_)
        if (auto stored = storedPassword(user.userKey + N::UserPassword))
            user.password.Load(std::move(*stored));
}

void ConfigModel::Save(Registry& registry, PasswordCrypto& crypto, std::uint32_t hashIterations)
{
    const std::vector<SettingWrite> writes = PlanSave(crypto, hashIterations);
    WriteSettings(registry, writes);
    Saved(writes);
}

PasswordPairResult CheckPasswordPair(std::string_view password, std::string_view confirm, int& counter)
{
    const std::string_view p = TrimControl(password);
    const std::string_view c = TrimControl(confirm);
    PasswordPairResult result;
    if (!p.empty() && c.empty()) {
        // Twice the focus goes to the confirm field; the third time the password is emptied.
        if (counter < 2) {
            result.focus = PasswordPairResult::Focus::Confirm;
            ++counter;
        } else {
            counter = 0;
            result.clearPassword = true;
        }
    } else if (p.empty() && !c.empty()) {
        result.clearConfirm = true;
        result.focus = PasswordPairResult::Focus::Password;
    } else if (!p.empty() && p != c) {
        result.clearPassword = result.clearConfirm = true;
        result.focus = PasswordPairResult::Focus::Password;
    } else if (!p.empty()) {
        counter = 0;
    }
    return result;
}

std::optional<UnconfirmedPair> UnconfirmedPasswordPair(std::string_view password, std::string_view confirm,
                                                       std::string_view subject, const Texts& texts)
{
    using Focus = PasswordPairResult::Focus;
    const std::string_view p = TrimControl(password);
    const std::string_view c = TrimControl(confirm);
    if (p == c)
        return std::nullopt;
    const auto refusal = [&](TextId why, Focus focus) {
        return UnconfirmedPair{std::string(subject) + " " + texts.Get(why), focus};
    };
    if (c.empty())
        return refusal(TextId::PairConfirmEmpty, Focus::Confirm);
    if (p.empty())
        return refusal(TextId::PairPasswordEmpty, Focus::Password);
    return refusal(TextId::PairDiffer, Focus::Password);
}

std::vector<std::string> UsersLockedOutBySchedule(const std::vector<UserRecord>& users, const RegionalFormats& formats)
{
    // Judged as the lock service judges the week, so that the week grid counts where it is used:
    // locked out is a user whom no weekday allows any time. Any seven days in a row hold each
    // weekday once.
    constexpr std::int32_t kAWeek = 46363;
    std::vector<std::string> lockedOut;
    for (const UserRecord& user : users) {
        if (!user.values.Flag(N::RestrictBySchedule))
            continue;
        WeekRules rules = WeekRulesOf(ServiceReadingOf(user, formats), formats.firstWeekday);
        rules.grant.reset();  // a grant of today is no part of the schedule
        bool allowsSomeTime = false;
        for (std::int32_t day = kAWeek; day < kAWeek + 7 && !allowsSomeTime; ++day)
            allowsSomeTime = !AllowedStretches(rules, day).empty();
        if (!allowsSomeTime)
            lockedOut.push_back(user.userKey);
    }
    return lockedOut;
}

std::string PictureInProgramFolder(std::string_view path, std::string_view programDirectory)
{
    const bool withDrive = path.size() >= 2 && path[1] == ':';
    const bool network = path.starts_with("\\\\") || path.starts_with("//");
    if (path.empty() || withDrive || network)
        return std::string(path);
    if (path.front() == '\\' || path.front() == '/')
        return std::string(programDirectory.substr(0, 2)) + std::string(path);
    return std::string(programDirectory) + std::string(path);
}

std::int32_t BoundedNumber(std::string_view text, std::int32_t low, std::int32_t high, std::int32_t fallback)
{
    const std::string_view digits = TrimControl(text);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || end != digits.data() + digits.size() || error == std::errc::invalid_argument)
        return fallback;
    if (error == std::errc::result_out_of_range)
        return digits.front() == '-' ? low : high;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, low, high));
}

}  // namespace vardex
