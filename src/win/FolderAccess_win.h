#pragma once
// A folder's owner and access list as the system holds them, for the portable check of who may
// put code into it (FolderAccess.h).
#include "common/FolderAccess.h"

#include <optional>
#include <string>

namespace vardex {

// The folder's owner and access list; nothing when they cannot be read (GetLastError tells why).
std::optional<FolderSecurity> ReadFolderSecurity(const std::string& folder);

// The SID text of the account this process runs as; empty when it cannot be read.
std::string ProcessAccountSid();

// Why a service of this process's account must not run from the folder, as a line for its log;
// nothing when only trusted accounts can change the folder. An access list that cannot be read
// counts against the folder: nobody can tell it is safe.
std::optional<std::string> RefusalToRunFrom(const std::string& folder);

}  // namespace vardex
