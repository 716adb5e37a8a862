#pragma once
// Files of Windows, through the wide API; errors carry the system error code.
#include "Files.h"

namespace vardex {

class Win32FileSystem final : public FileSystem {
public:
    bool Exists(const std::string& path) override;
    bool CreateEmpty(const std::string& path) override;
    std::unique_ptr<InputFile> OpenRead(const std::string& path) override;
};

}  // namespace vardex
