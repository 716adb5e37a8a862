#include "FakeSystem.h"

#include <algorithm>

namespace vardex::test {

namespace {
// The text with a to z and the two-byte UTF-8 letters U+00E0 to U+00FE (but U+00F7) in capitals.
std::string FoldLatin(std::string_view text)
{
    std::string folded(text);
    for (size_t i = 0; i < folded.size(); ++i) {
        auto& c = reinterpret_cast<unsigned char&>(folded[i]);
        if (c >= 'a' && c <= 'z')
            c = static_cast<unsigned char>(c - 32);
        else if (c == 0xC3 && i + 1 < folded.size()) {
            auto& next = reinterpret_cast<unsigned char&>(folded[++i]);
            if (next >= 0xA0 && next <= 0xBE && next != 0xB7)
                next = static_cast<unsigned char>(next - 32);
        }
    }
    return folded;
}
}  // namespace

bool FakeSystemFacts::SameNameIgnoringCase(std::string_view a, std::string_view b)
{
    return FoldLatin(a) == FoldLatin(b);
}

int FakeSystemFacts::CompareNamesIgnoringCase(std::string_view a, std::string_view b)
{
    return FoldLatin(a).compare(FoldLatin(b));
}

namespace {

class FakeEnumeration final : public NetUserEnumeration {
public:
    explicit FakeEnumeration(FakeAccountDirectory& directory) : directory_(directory) {}

    UserEnumBatch Next(std::uint32_t& resumeHandle) override
    {
        directory_.resumeHandlesSeen.push_back(resumeHandle);
        if (directory_.batches.empty())
            return {};
        const size_t index = std::min(calls_++, directory_.batches.size() - 1);
        if (!directory_.resumeStuck)
            resumeHandle = static_cast<std::uint32_t>(calls_);
        return directory_.batches[index];
    }

private:
    FakeAccountDirectory& directory_;
    size_t calls_ = 0;
};

class StringInputFile final : public InputFile {
public:
    explicit StringInputFile(std::string text) : text_(std::move(text)) {}

    // Hands out at most 7 bytes a call, so that lines cross the reader's pieces.
    size_t Read(char* buffer, size_t size) override
    {
        const size_t count = std::min({size, text_.size() - position_, size_t{7}});
        std::memcpy(buffer, text_.data() + position_, count);
        position_ += count;
        return count;
    }

private:
    std::string text_;
    size_t position_ = 0;
};

}  // namespace

std::unique_ptr<NetUserEnumeration> FakeAccountDirectory::OpenNetUserEnumeration()
{
    if (!libraryPresent)
        return nullptr;
    return std::make_unique<FakeEnumeration>(*this);
}

void MemoryFileSystem::Append(const std::string& path, const std::string& bytes)
{
    ++calls;
    if (const auto it = unwritable.find(path); it != unwritable.end())
        throw IoError(it->second);
    const auto it = files.find(path);
    if (it == files.end())
        throw IoError(2);
    it->second += bytes;
}

void MemoryFileSystem::Replace(const std::string& path, const std::string& bytes)
{
    ++calls;
    if (const auto it = unwritable.find(path); it != unwritable.end())
        throw IoError(it->second);
    if (const auto it = unreplaceable.find(path); it != unreplaceable.end())
        throw IoError(it->second);
    files[path] = bytes;
}

std::vector<std::string> MemoryFileSystem::ListFiles(const std::string& folder, const std::string& suffix)
{
    ++calls;
    std::vector<std::string> names;
    for (const auto& [path, text] : files) {
        if (path.size() <= folder.size() + suffix.size() || path.compare(0, folder.size(), folder) != 0)
            continue;
        const std::string name = path.substr(folder.size());
        if (name.find('\\') == std::string::npos &&
            FoldLatin(name.substr(name.size() - suffix.size())) == FoldLatin(suffix))
            names.push_back(name);
    }
    return names;
}

const std::string& MemoryFileSystem::Readable(const std::string& path)
{
    if (const auto it = unreadable.find(path); it != unreadable.end())
        throw IoError(it->second);
    return Existing(path);
}

const std::string& MemoryFileSystem::Existing(const std::string& path)
{
    const auto it = files.find(path);
    if (it == files.end())
        throw IoError(2);
    return it->second;
}

std::unique_ptr<InputFile> MemoryFileSystem::OpenRead(const std::string& path)
{
    ++calls;
    return std::make_unique<StringInputFile>(Readable(path));
}

std::uint64_t MemoryFileSystem::Size(const std::string& path)
{
    ++calls;
    return Existing(path).size();
}

std::string MemoryFileSystem::ReadRange(const std::string& path, std::uint64_t offset, size_t maxBytes)
{
    ++calls;
    const std::string& text = Readable(path);
    return offset >= text.size() ? std::string() : text.substr(static_cast<size_t>(offset), maxBytes);
}

}  // namespace vardex::test
