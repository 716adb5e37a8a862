#pragma once
// Access lists that keep the logged-on user's programs (Task Manager included) from ending,
// suspending, freezing or injecting into a process, or any of its threads, that runs as that
// user.
#include <windows.h>

#include <vector>

namespace vardex {

// The rights on a thread denied to its user: end, suspend or resume, read or set its
// registers, change its information, its token or its access list.
inline constexpr DWORD kThreadDeniedToUser = THREAD_TERMINATE | THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT |
                                             THREAD_SET_CONTEXT | THREAD_SET_INFORMATION |
                                             THREAD_SET_LIMITED_INFORMATION | THREAD_SET_THREAD_TOKEN |
                                             THREAD_IMPERSONATE | THREAD_DIRECT_IMPERSONATION | 0x1000 /*resume*/ |
                                             WRITE_DAC | WRITE_OWNER | DELETE;

// The user's SID of a token, or empty when it cannot be read.
std::vector<BYTE> TokenUserSid(HANDLE token);

// Replaces the process's DACL: the user may only wait for the process and query it;
// terminating, suspending, writing its memory, starting threads in it, duplicating its handles
// and changing the DACL or owner are denied. An OWNER RIGHTS entry removes the owner's implicit
// right to rewrite the DACL. The system and administrators keep full access. False on failure.
bool ProtectProcess(HANDLE process, const std::vector<BYTE>& userSid) noexcept;

// The same for a thread: the user may wait for it and query it, nothing else.
bool ProtectThread(HANDLE thread, const std::vector<BYTE>& userSid) noexcept;

// The DACL both of them set for threads, as the default DACL of a token: every thread (and
// every other object made without an access list of its own) that the token's process creates
// from then on gets it. False on failure.
bool SetProtectiveDefaultDacl(HANDLE token, const std::vector<BYTE>& userSid) noexcept;

// The current process's user: its own threads, as they exist now and as it makes them.
// ProtectThisProcess protects the process, every thread it has and the threads it will make
// (through the token's default DACL where the system applies it); ProtectThisThread is for a
// thread just made, where the system does not apply the default DACL.
bool ProtectThisProcess() noexcept;
bool ProtectNewThread(HANDLE thread) noexcept;

}  // namespace vardex
