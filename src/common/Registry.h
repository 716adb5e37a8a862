#pragma once
// The registry as the logic sees it: keys opened under a root, values of three kinds.
// The Win32 implementation is Win32Registry; tests use an in-memory one.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vardex {

enum class RootKey { CurrentUser, LocalMachine };

// Full access reads and writes; Read access only queries values and lists subkeys.
enum class KeyAccess { Full, Read };

enum class RegType { String, ExpandString, Integer, Other };

struct RegValue {
    RegType type = RegType::Other;
    std::string text;     // String and ExpandString: the text up to the first zero
    std::int32_t number = 0;  // Integer: the 32-bit value

    static RegValue String(std::string text) { return {RegType::String, std::move(text), 0}; }
    static RegValue ExpandString(std::string text) { return {RegType::ExpandString, std::move(text), 0}; }
    static RegValue Integer(std::int32_t number) { return {RegType::Integer, {}, number}; }
    bool operator==(const RegValue&) const = default;
};

class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    // The value, or nothing when it does not exist.
    virtual std::optional<RegValue> Read(std::string_view name) = 0;
    // False when the value could not be written (the type Other is never written).
    virtual bool Write(std::string_view name, const RegValue& value) = 0;
    // Names of the direct subkeys, in the registry's order.
    virtual std::vector<std::string> SubKeyNames() = 0;
};

class Registry {
public:
    virtual ~Registry() = default;
    // The open key, or nullptr when it does not exist (and create is false), or cannot be
    // opened or created with the access asked for. Closing is destroying the key.
    virtual std::unique_ptr<RegistryKey> Open(RootKey root, std::string_view path,
                                              KeyAccess access, bool create) = 0;
};

}  // namespace vardex
