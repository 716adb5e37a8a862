#include "DStorage.h"

#include "IniValueFinder.h"

#include <array>

namespace vardex {

TDStorage::TDStorage(FileSystem& files, const std::string& fileName) : files_(files)
{
    SetFile(fileName);
}

void TDStorage::SetFile(const std::string& fileName)
{
    if (fileName.empty())
        return;
    FileName_ = fileName;
    if (!files_.Exists(fileName))
        files_.CreateEmpty(fileName);
}

bool TDStorage::ReadValue(const std::string& section, const std::string& key, std::string& value)
{
    value.clear();
    const std::unique_ptr<InputFile> file = files_.OpenRead(FileName_);
    IniValueFinder finder(section, key);
    std::array<char, 65536> buffer;
    for (;;) {
        const size_t count = file->Read(buffer.data(), buffer.size());
        if (count == 0) {
            finder.Finish();
            break;
        }
        if (!finder.Feed(std::string_view(buffer.data(), count)))
            break;
    }
    if (!finder.Found())
        return false;
    value = finder.Value();
    return true;
}

}  // namespace vardex
