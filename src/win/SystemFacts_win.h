#pragma once
#include "common/SystemFacts.h"

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

}  // namespace vardex
