#pragma once
// Defences of the lock service's process against the user it restricts: DACLs on the process
// and its threads that keep the user's programs (Task Manager included) from ending, suspending,
// freezing or injecting into it, and a last word before a crash ends a lock.
namespace vardex {

class LockSession;

// Protects this process and its threads from its own user (ProtectThisProcess). False on failure.
bool ProtectProcess() noexcept;

// True when that process runs this very program file and is protected as we protect ourselves:
// a running lock service, not a program of the user's that only looks like one.
bool IsGenuineLockService(unsigned long processId) noexcept;

// From now on, a crash of the process while session runs locks the workstation with the
// system's own lock before the process goes.
void LockWorkstationOnCrash(const LockSession& session) noexcept;

}  // namespace vardex
