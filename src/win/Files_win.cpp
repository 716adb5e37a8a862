#include "Files_win.h"

#include "common/Errors.h"
#include "TextConvert_win.h"
#include "UniqueHandle_win.h"

#include <windows.h>

#include <algorithm>
#include <limits>

namespace vardex {

namespace {

// Reads up to size bytes at the file's position; 0 at its end.
size_t ReadSome(HANDLE file, char* buffer, size_t size)
{
    DWORD read = 0;
    const auto chunk = static_cast<DWORD>(std::min<size_t>(size, std::numeric_limits<DWORD>::max()));
    if (!ReadFile(file, buffer, chunk, &read, nullptr))
        throw IoError(IoErrorNumber(GetLastError()));
    return read;
}

class Win32InputFile final : public InputFile {
public:
    explicit Win32InputFile(UniqueFile file) : file_(std::move(file)) {}

    size_t Read(char* buffer, size_t size) override { return ReadSome(file_.Get(), buffer, size); }

private:
    UniqueFile file_;
};

// Open for reading while others go on writing it; IoError when it cannot be opened.
UniqueFile OpenForReading(const std::string& path)
{
    UniqueFile file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw IoError(IoErrorNumber(GetLastError()));
    return file;
}

}  // namespace

unsigned IoErrorNumber(unsigned long systemError) noexcept
{
    if (systemError == ERROR_DISK_FULL || systemError == ERROR_HANDLE_DISK_FULL)
        return 101;
    return static_cast<unsigned>(systemError);
}

bool Win32FileSystem::Exists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::CreateEmpty(const std::string& path)
{
    const UniqueFile file(CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

std::unique_ptr<InputFile> Win32FileSystem::OpenRead(const std::string& path)
{
    return std::make_unique<Win32InputFile>(OpenForReading(path));
}

std::uint64_t Win32FileSystem::Size(const std::string& path)
{
    // From the directory: a file that another program holds without sharing still has a size.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data))
        throw IoError(IoErrorNumber(GetLastError()));
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        throw IoError(ERROR_ACCESS_DENIED);  // as opening it would
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

std::string Win32FileSystem::ReadRange(const std::string& path, std::uint64_t offset, size_t maxBytes)
{
    const UniqueFile file = OpenForReading(path);
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file.Get(), position, nullptr, FILE_BEGIN))
        throw IoError(IoErrorNumber(GetLastError()));
    std::string bytes(maxBytes, '\0');
    size_t total = 0;
    for (size_t count; total < maxBytes && (count = ReadSome(file.Get(), bytes.data() + total, maxBytes - total)) > 0;)
        total += count;
    bytes.resize(total);
    return bytes;
}


namespace {
// Writes all the bytes to the file opened so; IoError when it cannot be opened or written.
void WriteWhole(const std::string& path, DWORD access, DWORD share, DWORD disposition, const std::string& bytes)
{
    const UniqueFile file(
        CreateFileW(Widen(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw IoError(IoErrorNumber(GetLastError()));
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        throw IoError(IoErrorNumber(GetLastError()));
    if (written != bytes.size())
        throw IoError(101);
}
}  // namespace

void Win32FileSystem::Append(const std::string& path, const std::string& bytes)
{
    WriteWhole(path, FILE_APPEND_DATA, FILE_SHARE_READ, OPEN_EXISTING, bytes);
}

void Win32FileSystem::Replace(const std::string& path, const std::string& bytes)
{
    WriteWhole(path, GENERIC_WRITE, 0, CREATE_ALWAYS, bytes);
}

std::optional<std::uint32_t> Win32FileSystem::Attributes(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return attributes;
}

bool Win32FileSystem::SetAttributes(const std::string& path, std::uint32_t attributes)
{
    return SetFileAttributesW(Widen(path).c_str(), attributes) != FALSE;
}

std::vector<std::string> Win32FileSystem::ListFiles(const std::string& folder, const std::string& suffix)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(Widen(folder + "*" + suffix).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(Narrow(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

std::string ProgramDirectory()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return Narrow(path.substr(0, path.find_last_of(L"\\/") + 1));
}

}  // namespace vardex
