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
