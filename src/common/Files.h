#pragma once
// Files as the logic sees them. Failures raise IoError with the system error code.
#include <cstddef>
#include <memory>
#include <string>

namespace vardex {

class InputFile {
public:
    virtual ~InputFile() = default;
    // Reads up to size bytes; 0 at the end of the file.
    virtual size_t Read(char* buffer, size_t size) = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool Exists(const std::string& path) = 0;
    // Creates an empty file; false when it cannot be created.
    virtual bool CreateEmpty(const std::string& path) = 0;
    virtual std::unique_ptr<InputFile> OpenRead(const std::string& path) = 0;
    // Appends the bytes to an existing file; IoError when it is missing or cannot be written.
    virtual void Append(const std::string& path, const std::string& bytes) = 0;
};

}  // namespace vardex
