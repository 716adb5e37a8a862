#pragma once
// Typed reading and writing of registry values, and the text-based value functions
// ReadRegValueText and WriteRegValueText that the lock service and the window share.
#include "Registry.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vardex {

// The kinds WriteRegValueText understands.
enum class RegValueKind : int { String = 1, ExpandString = 2, Integer = 3 };

// Each returns nothing when the value is absent and raises RegistryError "Invalid data type"
// when it exists with another registry type.
std::optional<std::string> ReadTextValue(RegistryKey& key, const std::string& name);
std::optional<std::int32_t> ReadIntegerValue(RegistryKey& key, const std::string& name);
std::optional<bool> ReadFlagValue(RegistryKey& key, const std::string& name);

// Each raises RegistryError "Failed to set data" when the value cannot be written.
void WriteTextValue(RegistryKey& key, const std::string& name, const std::string& text);
void WriteIntegerValue(RegistryKey& key, const std::string& name, std::int32_t number);
void WriteFlagValue(RegistryKey& key, const std::string& name, bool flag);

// The value as text: strings as stored (unexpanded), integers in signed decimal; empty when
// the key or the value is absent or the value has another type.
std::string ReadRegValueText(Registry& registry, RootKey root, std::string_view path,
                             const std::string& name);

// Writes text as the given kind, creating the key when missing; does nothing when the key
// cannot be opened. Kind Integer takes an unsigned decimal of at most 2147483647 (empty
// means 0) and raises ConversionError otherwise, before anything is opened or written.
void WriteRegValueText(Registry& registry, RootKey root, std::string_view path,
                       RegValueKind kind, const std::string& text, const std::string& name);

// "0" + text read as an unsigned decimal integer of at most 2147483647; ConversionError if not.
std::int32_t ParseCounterText(const std::string& text);

}  // namespace vardex
