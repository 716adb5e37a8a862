#pragma once
// What the logic asks the operating system about the machine and the logged-on user.
#include "TimeFormat.h"

#include <optional>
#include <string>
#include <string_view>

namespace vardex {

inline constexpr int kPlatformWin32Nt = 2;  // VER_PLATFORM_WIN32_NT: every other value is 9x

class SystemFacts {
public:
    virtual ~SystemFacts() = default;
    virtual int PlatformId() = 0;
    // The logged-on user's name as the system reports it; nothing when the call fails.
    virtual std::optional<std::string> LogonUserName() = 0;
    // The Windows directory, with a trailing backslash.
    virtual std::string WindowsDirectory() = 0;
    // The regional date and time formats of the user, as they are now.
    virtual RegionalFormats Regional() = 0;
    // The regional formats of the system default locale, which only an administrator can change.
    virtual RegionalFormats SystemRegional() = 0;
    // Whether two names are equal ignoring letter case, by the system's own rules for names
    // (every letter, not only a to z).
    virtual bool SameNameIgnoringCase(std::string_view a, std::string_view b) = 0;
    // Negative, zero or positive as a sorts before, with or after b ignoring letter case, by the
    // system's own rules for the user's language (every letter, not only a to z).
    virtual int CompareNamesIgnoringCase(std::string_view a, std::string_view b) = 0;
};

inline bool IsNtFamily(SystemFacts& system)
{
    return system.PlatformId() == kPlatformWin32Nt;
}

}  // namespace vardex
