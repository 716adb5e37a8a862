#pragma once
#include "common/SystemFacts.h"

#include <cstdint>
#include <string>

namespace vardex {

class Win32SystemFacts final : public SystemFacts {
public:
    int PlatformId() override;
    std::optional<std::string> LogonUserName() override;
    std::string WindowsDirectory() override;
    RegionalFormats Regional() override;
    RegionalFormats SystemRegional() override;
    bool SameNameIgnoringCase(std::string_view a, std::string_view b) override;
    int CompareNamesIgnoringCase(std::string_view a, std::string_view b) override;
};

// The day (days since 30 December 1899) in the short date form of the system's regional
// settings, which the restricted user cannot change.
std::string SystemShortDate(std::int32_t day);

}  // namespace vardex
