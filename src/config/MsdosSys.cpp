#include "MsdosSys.h"

#include "SettingWrites.h"

#include "common/Errors.h"
#include "common/RegValues.h"
#include "common/Text.h"

#include <charconv>

namespace vardex {

namespace {
constexpr const char* kFileName = "MSDOS.SYS";
constexpr const char* kSetupKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Setup";

// The index of the first BootKeys line, when there is one.
std::optional<size_t> BootKeysLine(const std::vector<std::string>& lines)
{
    for (size_t i = 0; i < lines.size(); ++i)
        if (SameTextAscii(TrimControl(TextBefore(lines[i], '=')), "BootKeys"))
            return i;
    return std::nullopt;
}
}  // namespace

std::string MsdosSysPath(FileSystem& files, Registry& registry)
{
    std::string path = std::string("C:\\") + kFileName;
    if (files.Exists(path))
        return path;
    std::string found = path;
    if (const auto key = registry.Open(RootKey::LocalMachine, kSetupKey, KeyAccess::Read, false))
        for (const char* value : {"BootDir", "BootHost", "MachineDir", "AppsDir"}) {
            const std::string candidate = ReadTextValue(*key, value).value_or("") + kFileName;
            if (files.Exists(candidate))
                found = candidate;
        }
    return found;
}

std::optional<bool> BootKeysDisabled(const std::vector<std::string>& lines)
{
    const std::optional<size_t> line = BootKeysLine(lines);
    if (!line)
        return false;
    const std::string& text = lines[*line];
    const std::string_view value = TrimControl(std::string_view(text).substr(text.find('=') + 1));
    if (value.empty())
        return false;
    int number = -1;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size() || (number != 0 && number != 1))
        return std::nullopt;
    return number == 0;
}

void SetBootKeys(std::vector<std::string>& lines, bool disabled)
{
    const std::string line = std::string("BootKeys=") + (disabled ? "0" : "1");
    if (const std::optional<size_t> index = BootKeysLine(lines))
        lines[*index] = line;
    else
        lines.push_back(line);
}

MsdosSysFile::MsdosSysFile(FileSystem& files, Registry& registry)
    : files_(files), registry_(registry), path_(MsdosSysPath(files, registry)), attributes_(files.Attributes(path_))
{
    if (!attributes_)
        return;
    files_.SetAttributes(path_, 0);
    try {
        lines_ = ReadLines(files_, path_);
    } catch (const IoError& error) {
        readError_ = error.Code();
    }
}

void MsdosSysFile::Write()
{
    if (!attributes_)
        return;
    // A file that could not be read is never replaced by the few lines the window knows.
    if (readError_)
        throw IoError(*readError_);
    std::string text;
    for (const std::string& line : lines_)
        text += line + "\r\n";
    files_.Replace(MsdosSysPath(files_, registry_), text);
}

void WindowsIntegration::Load(ConfigModel& model)
{
    bool validated = false;
    if (const auto key = registry_.Open(RootKey::LocalMachine, kNetworkLogonKeyPath, KeyAccess::Read, false)) {
        try {
            validated = ReadFlagValue(*key, kMustBeValidatedName).value_or(false);
        } catch (const Error&) {
            // A value of another type validates nothing.
        }
    }
    model.SetGlobal(SettingNames::UserValidation, validated);
    if (!bootFile_.Read())
        return;
    if (const std::optional<bool> disabled = BootKeysDisabled(bootFile_.Lines()))
        model.SetGlobal(SettingNames::BootKeysDisabled, *disabled);
}

void WindowsIntegration::Write(const ConfigModel& model)
{
    if (!bootFile_.Exists())
        return;
    SetBootKeys(bootFile_.Lines(), std::get<bool>(model.Global(SettingNames::BootKeysDisabled)));
    bootFile_.Write();
}

void MsdosSysFile::Restore() noexcept
{
    if (attributes_)
        files_.SetAttributes(path_, *attributes_);
}

}  // namespace vardex
