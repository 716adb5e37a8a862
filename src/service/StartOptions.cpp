#include "StartOptions.h"

#include "common/Text.h"

#include <charconv>

namespace vardex {

namespace {
template <typename Number>
std::optional<Number> ReadNumber(const std::string& text)
{
    Number value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}
}  // namespace

StartOptions ParseStartOptions(const std::vector<std::string>& arguments)
{
    StartOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string word = AsciiLowerCase(arguments[i]);
        if (word == "/lock")
            options.lock = true;
        else if (word == "/logon")
            options.atLogon = true;
        else if (word == "/grace" && i + 1 < arguments.size())
            options.graceLeftMs = ReadNumber<std::uint32_t>(arguments[++i]);
        else if (word == "/channel" && i + 1 < arguments.size())
            options.channel = ReadNumber<std::uint64_t>(arguments[++i]);
    }
    return options;
}

}  // namespace vardex
