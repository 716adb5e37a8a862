#pragma once
// Files as the logic sees them. Failures raise IoError with the system error code.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
    // The file's size in bytes, known without opening it; IoError when there is no such file.
    virtual std::uint64_t Size(const std::string& path) = 0;
    // Up to maxBytes of the file from offset on, fewer at its end and none past it; IoError when
    // it cannot be opened or read.
    virtual std::string ReadRange(const std::string& path, std::uint64_t offset, size_t maxBytes) = 0;
    // Appends the bytes to an existing file; IoError when it is missing or cannot be written.
    virtual void Append(const std::string& path, const std::string& bytes) = 0;
    // Replaces the file's contents with the bytes, creating it when missing; IoError when it
    // cannot be written.
    virtual void Replace(const std::string& path, const std::string& bytes) = 0;
    // The file's attribute bits (the system's), or nothing when there is no such file.
    virtual std::optional<std::uint32_t> Attributes(const std::string& path) = 0;
    virtual bool SetAttributes(const std::string& path, std::uint32_t attributes) = 0;
    // The names of the files in the folder whose names end with suffix, letter case ignored,
    // whatever their attributes; in the system's order.
    virtual std::vector<std::string> ListFiles(const std::string& folder, const std::string& suffix) = 0;
};

// The whole file; IoError when it cannot be opened or read.
std::string ReadAll(FileSystem& files, const std::string& path);

// The file's newest whole lines within its last maxBytes bytes: from the first line that starts
// there to the end of the file. olderLeftOut tells that the file holds bytes before them.
struct NewestLines {
    std::string bytes;
    bool olderLeftOut = false;
};
// IoError when the file cannot be found or read.
NewestLines ReadNewestLines(FileSystem& files, const std::string& path, size_t maxBytes);

// Lines taken one at a time from bytes held in memory, without their line ends (CR LF, LF or
// CR), each at most maxLineBytes long (a longer one is cut there).
class LineCursor {
public:
    explicit LineCursor(std::string bytes = {}, size_t maxLineBytes = 4096)
        : bytes_(std::move(bytes)), maxLineBytes_(maxLineBytes)
    {
    }
    bool AtEnd() const noexcept { return position_ >= bytes_.size(); }
    // The next line; empty at the end.
    std::string Next();

private:
    std::string bytes_;
    size_t maxLineBytes_;
    size_t position_ = 0;
};

// The file's lines, as LineCursor takes them; IoError when it cannot be opened or read.
std::vector<std::string> ReadLines(FileSystem& files, const std::string& path, size_t maxLineBytes = 4096);

}  // namespace vardex
