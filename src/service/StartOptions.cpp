#include "StartOptions.h"

#include "common/Text.h"

#include <charconv>

namespace vardex {

StartOptions ParseStartOptions(const std::vector<std::string>& arguments)
{
    StartOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string word = AsciiLowerCase(arguments[i]);
        if (word == "/lock")
            options.lock = true;
        else if (word == "/logon")
            options.atLogon = true;
        else if (word == "/grace" && i + 1 < arguments.size()) {
            const std::string& number = arguments[++i];
            std::uint32_t ms = 0;
            const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), ms);
            if (error == std::errc() && end == number.data() + number.size())
                options.graceLeftMs = ms;
        }
    }
    return options;
}

}  // namespace vardex
