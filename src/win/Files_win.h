#pragma once
// Files of Windows, through the wide API; errors carry the system error code.
#include "common/Files.h"

namespace vardex {

class Win32FileSystem final : public FileSystem {
public:
    bool Exists(const std::string& path) override;
    bool CreateEmpty(const std::string& path) override;
    std::unique_ptr<InputFile> OpenRead(const std::string& path) override;
    std::uint64_t Size(const std::string& path) override;
    std::string ReadRange(const std::string& path, std::uint64_t offset, size_t maxBytes) override;
    void Append(const std::string& path, const std::string& bytes) override;
    void Replace(const std::string& path, const std::string& bytes) override;
    std::optional<std::uint32_t> Attributes(const std::string& path) override;
    bool SetAttributes(const std::string& path, std::uint32_t attributes) override;
    std::vector<std::string> ListFiles(const std::string& folder, const std::string& suffix) override;
};

// The directory of the running program, with a trailing backslash.
std::string ProgramDirectory();

// The runtime's input/output error number for a system error code (a full disk is 101).
unsigned IoErrorNumber(unsigned long systemError) noexcept;

}  // namespace vardex
