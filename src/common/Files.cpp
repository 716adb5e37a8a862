#include "Files.h"

#include <algorithm>

namespace vardex {

std::string ReadAll(FileSystem& files, const std::string& path)
{
    const std::unique_ptr<InputFile> file = files.OpenRead(path);
    std::string bytes;
    char buffer[65536];
    for (size_t count; (count = file->Read(buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, count);
    return bytes;
}

NewestLines ReadNewestLines(FileSystem& files, const std::string& path, size_t maxBytes)
{
    const std::uint64_t size = files.Size(path);
    if (size <= maxBytes)
        return {files.ReadRange(path, 0, static_cast<size_t>(size)), false};
    // One byte more in front tells whether the window starts a line or cuts one.
    const std::uint64_t start = size - maxBytes;
    std::string bytes = files.ReadRange(path, start - 1, maxBytes + 1);
    size_t first = bytes.find_first_of("\r\n");
    if (first == std::string::npos)
        return {std::string(), true};
    ++first;
    if (bytes[first - 1] == '\r' && first < bytes.size() && bytes[first] == '\n')
        ++first;
    bytes.erase(0, first);
    return {std::move(bytes), true};
}

std::string LineCursor::Next()
{
    if (AtEnd())
        return {};
    const size_t end = std::min(bytes_.find_first_of("\r\n", position_), bytes_.size());
    std::string line = bytes_.substr(position_, std::min(end - position_, maxLineBytes_));
    position_ = end + 1;
    if (end < bytes_.size() && bytes_[end] == '\r' && position_ < bytes_.size() && bytes_[position_] == '\n')
        ++position_;
    return line;
}

std::vector<std::string> ReadLines(FileSystem& files, const std::string& path, size_t maxLineBytes)
{
    LineCursor cursor(ReadAll(files, path), maxLineBytes);
    std::vector<std::string> lines;
    while (!cursor.AtEnd())
        lines.push_back(cursor.Next());
    return lines;
}

}  // namespace vardex
