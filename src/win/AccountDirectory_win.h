#pragma once
// Local accounts of the NT family: the network user enumeration (loaded at the moment of use)
// and account names to security identifier text.
#include "common/Accounts.h"
#include "common/SidText.h"

#include <windows.h>

namespace vardex {

class Win32AccountDirectory final : public AccountDirectory {
public:
    std::unique_ptr<NetUserEnumeration> OpenNetUserEnumeration() override;
    std::optional<std::string> AccountNameToSidText(const std::string& name) override;
};

// The SID's text by the system's conversion call ("ConvertSidToStringSidA", loaded by name).
bool SidToTextApi(PSID sid, std::string& text);
// The SID's text written here, for systems without the conversion call; false for an invalid SID.
bool SidToTextManual(PSID sid, std::string& text);

}  // namespace vardex
