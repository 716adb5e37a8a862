#pragma once
// One table of every value of the settings store: its name (or per-user code), kind, scope, the
// default the configuration window shows and the one the lock service holds, and how the lock
// service takes it in. The service's load and the window's load and save all follow it.
#include "Settings.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>

namespace vardex {

enum class SettingKind { Text, Number, Flag };
enum class SettingScope { Global, PerUser };
// What the configuration window does with a value: reads and writes it, only writes it (the
// state it records is read back from Windows itself), or leaves it to the lock service.
enum class WindowUse { ReadWrite, WriteOnly, None };

using SettingValue = std::variant<std::string, std::int32_t, bool>;

// What the lock service's load works on: its settings, the formats schedules are read with, and
// the problems it reports.
struct ServiceLoad {
    LockServiceSettings& settings;
    const RegionalFormats& timeFormats;
    std::vector<std::string>& problems;
};

struct SettingDefinition {
    const char* name;  // the value name, or the code after the user key
    SettingKind kind;
    SettingScope scope;
    WindowUse window;
    SettingValue windowDefault;
    // The service's default, as a stored value (a file name is taken in the program folder);
    // nothing when the service does not read the value.
    std::optional<SettingValue> serviceDefault;
    // Takes a value of this kind into the lock service's settings, converted.
    void (*toService)(ServiceLoad& load, const SettingValue& value);
    // The numbers the window can set; what is written from outside it must lie within them.
    std::int32_t low = INT32_MIN;
    std::int32_t high = INT32_MAX;
    // Whether a text is of the value's form; nothing: any text is.
    bool (*textIsValid)(std::string_view text) = nullptr;
    // The window writes it only when read from the store or set there: its absence has a
    // meaning of its own (a weekday that keeps the every-day rule).
    bool writtenWhenSet = false;
};

// The longest text value the window writes (a picture's path, a schedule of many periods).
inline constexpr std::size_t kMaxSettingTextBytes = 32768;

// Every value, in the order the lock service reads them.
std::span<const SettingDefinition> SettingsTable();
const SettingDefinition& FindSetting(std::string_view name);

// The registry name of a value for a user key (global values ignore it).
std::string SettingValueName(const SettingDefinition& definition, const std::string& userKey);

// Reads the value of the definition's kind; nothing when absent. RegistryError when it has
// another registry type.
std::optional<SettingValue> ReadSetting(RegistryKey& key, const SettingDefinition& definition,
                                        const std::string& userKey);
// RegistryError "Failed to set data" when the value cannot be written.
void WriteSetting(RegistryKey& key, const SettingDefinition& definition, const std::string& userKey,
                  const SettingValue& value);

}  // namespace vardex
