#include "Files.h"

namespace vardex {

std::vector<std::string> ReadLines(FileSystem& files, const std::string& path, size_t maxLineBytes)
{
    std::vector<std::string> lines;
    const std::unique_ptr<InputFile> file = files.OpenRead(path);
    std::string line;
    bool open = false;  // a line has begun that no line end has finished
    bool afterCr = false;
    char buffer[8192];
    for (size_t count; (count = file->Read(buffer, sizeof buffer)) > 0;) {
        for (size_t i = 0; i < count; ++i) {
            const char c = buffer[i];
            if (c == '\n' && afterCr) {
                afterCr = false;
                continue;
            }
            afterCr = c == '\r';
            if (c == '\r' || c == '\n') {
                lines.push_back(std::move(line));
                line.clear();
                open = false;
                continue;
            }
            open = true;
            if (line.size() < maxLineBytes)
                line += c;
        }
    }
    if (open)
        lines.push_back(std::move(line));
    return lines;
}

}  // namespace vardex
