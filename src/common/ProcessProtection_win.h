#pragma once
// A process DACL that keeps the logged-on user's programs (Task Manager included) from ending,
// suspending or injecting into a process that runs as that user.
#include <windows.h>

#include <vector>

namespace vardex {

// The user's SID of a token, or empty when it cannot be read.
std::vector<BYTE> TokenUserSid(HANDLE token);

// Replaces the process's DACL: the user may only wait for the process and query it;
// terminating, suspending, writing its memory, starting threads in it, duplicating its handles
// and changing the DACL or owner are denied. An OWNER RIGHTS entry removes the owner's implicit
// right to rewrite the DACL. The system and administrators keep full access. False on failure.
bool ProtectProcess(HANDLE process, const std::vector<BYTE>& userSid) noexcept;

}  // namespace vardex
