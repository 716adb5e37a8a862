#include "StatisticsLogs.h"

#include "common/Text.h"

#include <algorithm>

namespace vardex {

namespace {
constexpr const char* kLogSuffix = ".log";
// Shift, Ctrl and Alt: the hot-key field's modifier bit and the stored shortcut's.
struct ModifierBits {
    std::uint16_t field;
    std::uint16_t code;
};
constexpr ModifierBits kModifiers[] = {{1, 0x2000}, {2, 0x4000}, {4, 0x8000}};
}  // namespace

std::vector<std::string> StatisticsUsers(FileSystem& files, const std::string& programDirectory)
{
    std::vector<std::string> users;
    for (const std::string& name : files.ListFiles(programDirectory, kLogSuffix))
        users.push_back(name.substr(0, name.size() - 4));
    std::stable_sort(users.begin(), users.end(),
                     [](const std::string& a, const std::string& b) { return AsciiLowerCase(a) < AsciiLowerCase(b); });
    return users;
}

std::uint16_t ShortcutFromHotKeyField(std::uint16_t fieldValue) noexcept
{
    const auto modifiers = static_cast<std::uint16_t>(fieldValue >> 8);
    auto code = static_cast<std::uint16_t>(fieldValue & 0xFF);
    for (const ModifierBits& bits : kModifiers)
        if (modifiers & bits.field)
            code |= bits.code;
    return code;
}

std::uint16_t HotKeyFieldFromShortcut(std::uint16_t code) noexcept
{
    std::uint16_t modifiers = 0;
    for (const ModifierBits& bits : kModifiers)
        if (code & bits.code)
            modifiers |= bits.field;
    return static_cast<std::uint16_t>((modifiers << 8) | (code & 0xFF));
}

}  // namespace vardex
