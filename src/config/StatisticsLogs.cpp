#include "StatisticsLogs.h"

#include "common/Text.h"

#include <algorithm>

namespace vardex {

namespace {
constexpr const char* kLogSuffix = ".log";
constexpr std::uint16_t kFieldShift = 1, kFieldControl = 2, kFieldAlt = 4;
constexpr std::uint16_t kCodeShift = 0x2000, kCodeControl = 0x4000, kCodeAlt = 0x8000;
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
    if (modifiers & kFieldShift)
        code |= kCodeShift;
    if (modifiers & kFieldControl)
        code |= kCodeControl;
    if (modifiers & kFieldAlt)
        code |= kCodeAlt;
    return code;
}

std::uint16_t HotKeyFieldFromShortcut(std::uint16_t code) noexcept
{
    std::uint16_t modifiers = 0;
    if (code & kCodeShift)
        modifiers |= kFieldShift;
    if (code & kCodeControl)
        modifiers |= kFieldControl;
    if (code & kCodeAlt)
        modifiers |= kFieldAlt;
    return static_cast<std::uint16_t>((modifiers << 8) | (code & 0xFF));
}

}  // namespace vardex
