// Feeds arbitrary writes to the check that the guardian makes before it writes the settings key
// for a configuration window: a write it lets through is a value of the table, of the table's
// kind and range, a text of bounded size without a null, a password only as a hash, and it
// reads back from the key as it was written. Input: a kind byte ('t', 'n', 'f'), the name up to
// a 0x01 byte, then the value (a text, or 4 bytes of a number, or one byte of a flag).
#include "MemoryRegistry.h"
#include "common/Accounts.h"
#include "common/PasswordHash.h"
#include "config/SettingWrites.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {
using namespace vardex;

const std::string kListed[] = {"Anna", "bob"};

std::optional<SettingWrite> WriteOf(std::string_view input)
{
    if (input.empty())
        return std::nullopt;
    const char kind = input.front();
    input.remove_prefix(1);
    const size_t end = input.find('\x01');
    if (end == std::string_view::npos)
        return std::nullopt;
    SettingWrite write{std::string(input.substr(0, end)), {}};
    const std::string_view value = input.substr(end + 1);
    if (kind == 't') {
        write.value = std::string(value);
    } else if (kind == 'n' && value.size() == 4) {
        std::int32_t number = 0;
        std::memcpy(&number, value.data(), 4);
        write.value = number;
    } else if (kind == 'f' && value.size() == 1) {
        write.value = value.front() != 0;
    } else {
        return std::nullopt;
    }
    return write;
}

// The row the name stands for, found by its own reading of the names, not the check's.
const SettingDefinition* RowOf(const std::string& name)
{
    for (const SettingDefinition& d : SettingsTable()) {
        if (d.window == WindowUse::None)
            continue;
        if (d.scope == SettingScope::Global && name == d.name)
            return &d;
        if (d.scope == SettingScope::PerUser)
            for (const std::string& user : {std::string(kDefaultUserKey), kListed[0], kListed[1]})
                if (name == user + d.name)
                    return &d;
    }
    return nullptr;
}

void Require(bool holds)
{
    if (!holds)
        __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::optional<SettingWrite> write = WriteOf(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!write || RefusalOf(*write, kListed))
        return 0;
    if (write->name == kNetworkLogonValueName) {
        Require(std::holds_alternative<bool>(write->value));
        return 0;
    }
    const SettingDefinition* row = RowOf(write->name);
    Require(row != nullptr);
    switch (row->kind) {
    case SettingKind::Text: {
        const std::string& text = std::get<std::string>(write->value);
        Require(text.size() <= kMaxSettingTextBytes && text.find('\0') == std::string::npos);
        const bool password = row->name == std::string_view(SettingNames::AdminPassword) ||
                              row->name == std::string_view(SettingNames::UserPassword);
        Require(!password || text.empty() || ClassifyStoredPassword(text) == StoredPasswordKind::Hash);
        break;
    }
    case SettingKind::Number: {
        const std::int32_t number = std::get<std::int32_t>(write->value);
        Require(number >= row->low && number <= row->high);
        break;
    }
    case SettingKind::Flag: Require(std::holds_alternative<bool>(write->value)); break;
    }
    test::MemoryRegistry registry;
    WriteSettings(registry, {*write});
    Require(ChangedWrites(registry, {*write}).empty());
    return 0;
}
