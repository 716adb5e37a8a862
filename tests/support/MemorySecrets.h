#pragma once
// The codes' private place, in memory, and one that refuses to be written.
#include "common/CodeSecret.h"
#include "common/Errors.h"

#include <map>
#include <string>

namespace vardex::test {

class MemorySecrets final : public SecretStore {
public:
    std::map<std::string, std::string, std::less<>> values;
    bool writable = true;
    std::optional<std::string> Read(std::string_view name) override
    {
        const auto found = values.find(name);
        return found == values.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    void Write(std::string_view name, const std::string& text) override
    {
        if (!writable)
            throw Error("refused");
        values[std::string(name)] = text;
    }
};

}  // namespace vardex::test
