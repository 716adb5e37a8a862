#pragma once
// The boot configuration file MSDOS.SYS of Windows 9x, for its BootKeys line (0 keeps the boot
// menu keys F5, F6 and F8 from working at start-up). Where the file exists the window edits it;
// where it does not (no current Windows reads one), no file is written and the window keeps only
// its own record of the choice.
#include "ConfigModel.h"
#include "common/Files.h"
#include "common/Registry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vardex {

// The path of MSDOS.SYS: "C:\MSDOS.SYS" when it exists; otherwise the last existing one of the
// Setup key's BootDir, BootHost, MachineDir and AppsDir, each followed by "MSDOS.SYS"; when none
// exists, "C:\MSDOS.SYS".
std::string MsdosSysPath(FileSystem& files, Registry& registry);

// Whether the first BootKeys line (name in any letter case, in any section) disables the keys:
// 0 does; 1 does not, nor does a missing line or an empty value, which leave the keys working;
// nothing when it holds another value (then the window's own record decides).
std::optional<bool> BootKeysDisabled(const std::vector<std::string>& lines);

// Sets the first BootKeys line to 0 (disabled) or 1 where it stands, or appends one at the end.
void SetBootKeys(std::vector<std::string>& lines, bool disabled);

// The file as the window holds it while it is open.
class MsdosSysFile {
public:
    // Reads the lines and clears the file's attributes, so that it can be rewritten; remembers
    // them for Restore. Without a file, nothing is read and nothing will be written.
    MsdosSysFile(FileSystem& files, Registry& registry);
    bool Exists() const noexcept { return attributes_.has_value(); }
    // The file exists and its lines were read.
    bool Read() const noexcept { return attributes_ && !readError_; }
    std::vector<std::string>& Lines() noexcept { return lines_; }
    // Writes the lines, each ended by CR LF, to the file found again; IoError when refused or
    // when the file could not be read.
    void Write();
    // Gives the file back the attributes it had.
    void Restore() noexcept;

private:
    FileSystem& files_;
    Registry& registry_;
    std::string path_;
    std::optional<std::uint32_t> attributes_;
    std::optional<unsigned> readError_;
    std::vector<std::string> lines_;
};

// The two settings of Windows itself that the System page holds: the boot keys (MSDOS.SYS) and
// network logon validation ("Network\Logon" MustBeValidated, a Windows 9x setting).
class WindowsIntegration {
public:
    // Reads MSDOS.SYS at once (the window's creation); its attributes come back on destruction.
    WindowsIntegration(FileSystem& files, Registry& registry) : registry_(registry), bootFile_(files, registry) {}
    WindowsIntegration(const WindowsIntegration&) = delete;
    WindowsIntegration& operator=(const WindowsIntegration&) = delete;
    ~WindowsIntegration() { bootFile_.Restore(); }

    bool BootFileExists() const noexcept { return bootFile_.Exists(); }
    // Into the model: validation from MustBeValidated; the boot keys from the boot file as
    // BootKeysDisabled reads it (without a file, for one that could not be read, or for a value
    // it does not know, the model keeps the window's own record, BKGR).
    void Load(ConfigModel& model);
    // MSDOS.SYS where it exists: IoError when the file cannot be written, and nothing after it
    // may be written then. (MustBeValidated is written with the settings.)
    void Write(const ConfigModel& model);

private:
    Registry& registry_;
    MsdosSysFile bootFile_;
};

}  // namespace vardex
