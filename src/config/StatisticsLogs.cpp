#include "StatisticsLogs.h"

#include "common/Errors.h"
#include "common/Text.h"

#include <algorithm>
#include <optional>

namespace vardex {

namespace {
constexpr const char* kLogSuffix = ".log";
// Shift, Ctrl and Alt: the hot-key field's modifier bit and the stored shortcut's.
struct ModifierBits {
    std::uint16_t field;
    std::uint16_t code;
};
constexpr ModifierBits kModifiers[] = {{1, 0x2000}, {2, 0x4000}, {4, 0x8000}};

// The log written anew when adding the line would pass the cap: its newest whole lines, the line
// last. Nothing when the line fits, or when the file cannot be measured or read: it is then
// appended to as it is rather than shortened on a guess.
std::optional<std::string> RotatedLog(FileSystem& files, const std::string& path, const std::string& line,
                                      std::uint64_t cap)
{
    try {
        if (files.Size(path) + line.size() <= cap)
            return std::nullopt;
        const std::uint64_t half = cap / 2;
        const auto room = static_cast<size_t>(half > line.size() ? half - line.size() : 0);
        std::string kept = ReadNewestLines(files, path, room).bytes;
        if (!kept.empty() && kept.back() != '\n' && kept.back() != '\r')
            kept += "\r\n";  // the file's last line had no end: the new one must not join it
        return kept + line;
    } catch (const IoError&) {
        return std::nullopt;
    }
}
}  // namespace

void AppendToStatisticsLog(FileSystem& files, const std::string& path, const std::string& line, std::uint64_t cap)
{
    if (!files.Exists(path))
        files.CreateEmpty(path);  // a failure shows when appending
    if (const std::optional<std::string> rotated = RotatedLog(files, path, line, cap))
        files.Replace(path, *rotated);
    else
        files.Append(path, line);
}

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
