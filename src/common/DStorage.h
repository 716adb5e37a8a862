#pragma once
// TDStorage reads single values from an INI file with its own parsing rules (IniValueFinder),
// never through the system's profile functions.
#include "Files.h"

#include <string>

namespace vardex {

class TDStorage {
public:
    TDStorage(FileSystem& files, const std::string& fileName);

    // Binds the name; creates an empty file when none exists (a failure shows at the next read).
    void SetFile(const std::string& fileName);
    // True and the value when the key is found in the section; false and empty text otherwise.
    // Raises IoError when the file cannot be opened or read.
    bool ReadValue(const std::string& section, const std::string& key, std::string& value);

    const std::string& FileName() const noexcept { return FileName_; }

private:
    FileSystem& files_;
    std::string FileName_;
};

}  // namespace vardex
