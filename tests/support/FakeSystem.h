#pragma once
// Recorded answers of the operating system for tests: system facts, the account directory and
// files held in memory.
#include "common/Accounts.h"
#include "common/Clock.h"
#include "common/Errors.h"
#include "common/Files.h"
#include "common/SystemFacts.h"

#include <cstring>
#include <map>
#include <set>

namespace vardex::test {

class FakeSystemFacts final : public SystemFacts {
public:
    int platformId = kPlatformWin32Nt;
    std::optional<std::string> userName = "User1";
    std::string windowsDirectory = "C:\\WINDOWS\\";
    RegionalFormats regional;
    RegionalFormats systemRegional;

    int PlatformId() override { return platformId; }
    std::optional<std::string> LogonUserName() override { return userName; }
    std::string WindowsDirectory() override { return windowsDirectory; }
    RegionalFormats Regional() override { return regional; }
    RegionalFormats SystemRegional() override { return systemRegional; }
    // The letters a to z and the accented Latin letters of U+00C0 to U+00FE.
    bool SameNameIgnoringCase(std::string_view a, std::string_view b) override;
    // The same letters folded, then by bytes.
    int CompareNamesIgnoringCase(std::string_view a, std::string_view b) override;
};

class FakeAccountDirectory final : public AccountDirectory {
public:
    bool libraryPresent = true;
    // The answers of successive enumeration calls; the last one repeats.
    std::vector<UserEnumBatch> batches;
    std::map<std::string, std::string> sids;  // account name -> SID text
    std::vector<std::uint32_t> resumeHandlesSeen;
    bool resumeStuck = false;  // the enumeration never moves the resume handle

    std::unique_ptr<NetUserEnumeration> OpenNetUserEnumeration() override;
    std::optional<std::string> AccountNameToSidText(const std::string& name) override
    {
        const auto it = sids.find(name);
        return it == sids.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
};

// Files by path; a path in unreadable raises the given error code on opening (its size, like the
// system's, is still known).
class MemoryFileSystem final : public FileSystem {
public:
    std::map<std::string, std::string> files;
    std::map<std::string, unsigned> unreadable;
    std::map<std::string, unsigned> unwritable;
    std::map<std::string, unsigned> unreplaceable;  // refuses Replace only, as a file held open can
    std::set<std::string> uncreatable;
    int calls = 0;  // every call of the file system

    bool Exists(const std::string& path) override
    {
        ++calls;
        return files.count(path) > 0;
    }
    bool CreateEmpty(const std::string& path) override
    {
        ++calls;
        if (uncreatable.count(path))
            return false;
        files.emplace(path, std::string());
        return true;
    }
    std::unique_ptr<InputFile> OpenRead(const std::string& path) override;
    std::uint64_t Size(const std::string& path) override;
    std::string ReadRange(const std::string& path, std::uint64_t offset, size_t maxBytes) override;
    void Append(const std::string& path, const std::string& bytes) override;
    void Replace(const std::string& path, const std::string& bytes) override;
    std::optional<std::uint32_t> Attributes(const std::string& path) override
    {
        ++calls;
        if (!files.count(path))
            return std::nullopt;
        return attributes.count(path) ? attributes[path] : 0u;
    }
    bool SetAttributes(const std::string& path, std::uint32_t value) override
    {
        ++calls;
        if (!files.count(path))
            return false;
        attributes[path] = value;
        return true;
    }
    std::vector<std::string> ListFiles(const std::string& folder, const std::string& suffix) override;
    std::map<std::string, std::uint32_t> attributes;

private:
    // The file's bytes; IoError when it is missing (or, for Readable, refuses reading).
    const std::string& Existing(const std::string& path);
    const std::string& Readable(const std::string& path);
};

// Clocks that stand still until the test moves them. The wall clock is kept in UTC; local
// times are those of the zone in force (UTC itself unless a test sets another).
class FakeClock final : public Clock {
public:
    FakeClock() { SetWall({2026, 12, 8, 5, 40, 28, 0}); }

    std::int64_t wallUtc = 0;
    std::int64_t elapsed = 1000000;
    TimeZoneRules zone;

    LocalTime Now() override { return LocalFromUtc(wallUtc, zone); }
    std::int64_t UtcNow() override { return wallUtc; }
    std::int64_t ElapsedMs() override { return elapsed; }
    TimeZoneRules Zone() override { return zone; }

    // Real time passes: both clocks move on.
    void Advance(std::int64_t ms)
    {
        wallUtc += ms;
        elapsed += ms;
    }
    // Somebody sets the wall clock to a local time of the zone in force (standard time).
    void SetWall(const LocalTime& local)
    {
        wallUtc = MillisecondsSince1601(local) + std::int64_t{zone.bias + zone.standardBias} * 60000;
    }
};

}  // namespace vardex::test
