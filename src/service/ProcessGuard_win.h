#pragma once
// Defences of the lock service's process against the user it restricts: a process DACL that
// keeps the user's programs (Task Manager included) from ending, suspending or injecting into
// it, and a last word before a crash ends a lock.
namespace vardex {

class LockSession;

// Replaces the process's DACL: the logged-on user may only wait for the process and query it;
// terminating, suspending, writing its memory, starting threads in it, duplicating its handles
// and changing the DACL or owner are denied. An OWNER RIGHTS entry removes the owner's implicit
// right to rewrite the DACL. The system and administrators keep full access. False on failure.
bool ProtectProcess() noexcept;

// From now on, a crash of the process while session runs locks the workstation with the
// system's own lock before the process goes.
void LockWorkstationOnCrash(const LockSession& session) noexcept;

}  // namespace vardex
