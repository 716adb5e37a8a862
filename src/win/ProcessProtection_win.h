#pragma once
// Access lists that keep the logged-on user's programs (Task Manager included) from ending,
// suspending, freezing or injecting into a process, or any of its threads, that runs as that
// user.
#include <windows.h>

#include <vector>

#include "UniqueHandle_win.h"

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

// True when the process's DACL is the one ProtectProcess sets for that user: it starts by
// denying the user what ProtectProcess denies.
bool CarriesProcessProtection(HANDLE process, const std::vector<BYTE>& userSid) noexcept;

// The current process: ProtectThisProcess protects it and every thread it has now (run again, it
// protects the threads made since: the system makes some of its own); ProtectNewThread
// protects a thread just made. Not through the token's default DACL: that one goes to every
// object made without an access list of its own, the named mutexes that the screen saver opens
// among them, and its denials would shut the user out of them.
bool ProtectThisProcess() noexcept;
bool ProtectNewThread(HANDLE thread) noexcept;
// A thread protected before it runs a single instruction; empty when either fails. An
// unprotected thread would let the user set its registers or suspend it.
UniqueKernelHandle StartProtectedThread(LPTHREAD_START_ROUTINE routine, void* data) noexcept;
// The user of the current process, or empty.
std::vector<BYTE> ThisProcessUser();

}  // namespace vardex
