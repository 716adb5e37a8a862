#pragma once
// Defences of the lock service's process against the user it restricts: a process DACL that
// keeps the user's programs (Task Manager included) from ending, suspending or injecting into
// it, and a last word before a crash ends a lock.
namespace vardex {

class LockSession;

// Protects this process from its own user (see ProtectProcess of a handle). False on failure.
bool ProtectProcess() noexcept;

// From now on, a crash of the process while session runs locks the workstation with the
// system's own lock before the process goes.
void LockWorkstationOnCrash(const LockSession& session) noexcept;

}  // namespace vardex
