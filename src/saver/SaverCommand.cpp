#include "SaverCommand.h"

#include "common/Errors.h"
#include "common/Text.h"

#include <charconv>

namespace vardex {

SaverActions DecideSaverActions(const std::vector<std::string>& arguments, bool serviceRunning)
{
    const std::string first = arguments.empty() ? std::string() : AsciiLowerCase(arguments[0]);
    const auto has = [&first](char letter) { return first.find(letter) != std::string::npos; };
    SaverActions actions;
    if (!serviceRunning) {
        actions.showNotExecuted = has('p');
    } else {
        actions.broadcastLock = has('s');
        actions.showNothingToConfigure = has('c');
    }
    actions.changePassword = has('a');
    return actions;
}

std::int64_t ParseWindowHandleArgument(const std::string& text)
{
    const std::string_view trimmed = TrimControl(text);
    std::string_view digits = trimmed;
    if (!digits.empty() && digits[0] == '+')
        digits.remove_prefix(1);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        throw ConversionError::NotAnInteger(text);
    return value;
}

}  // namespace vardex
