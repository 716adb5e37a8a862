#include "GuardianLink_win.h"

#include "common/UniqueHandle_win.h"

#include <windows.h>

namespace vardex {

namespace {
// The whole exchange, connection included: the lock service's thread is never held longer, even
// by a program that took the pipe's name and never answers.
constexpr DWORD kAnswerTimeoutMs = 500;

// Waits for an overlapped call until the deadline; false (and the call cancelled) when it is
// not done by then.
bool Finish(HANDLE pipe, OVERLAPPED& overlapped, BOOL started, ULONGLONG deadline, DWORD& size) noexcept
{
    if (!started && GetLastError() != ERROR_IO_PENDING)
        return false;
    const ULONGLONG now = GetTickCount64();
    if (WaitForSingleObject(overlapped.hEvent, now < deadline ? static_cast<DWORD>(deadline - now) : 0) !=
        WAIT_OBJECT_0) {
        CancelIo(pipe);
        GetOverlappedResult(pipe, &overlapped, &size, TRUE);
        return false;
    }
    return GetOverlappedResult(pipe, &overlapped, &size, FALSE) != FALSE;
}
}  // namespace

bool AskGuardian(const GuardRequest& request) noexcept
{
    try {
        const ULONGLONG deadline = GetTickCount64() + kAnswerTimeoutMs;
        const std::string message = EncodeGuardRequest(request);
        // Without a guardian the pipe does not exist, and this fails at once; when all its
        // instances are busy, the next request tries again.
        const UniqueFile pipe(CreateFileW(kGuardianPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OVERLAPPED, nullptr));
        DWORD mode = PIPE_READMODE_MESSAGE;
        if (!pipe || !SetNamedPipeHandleState(pipe.Get(), &mode, nullptr, nullptr))
            return false;
        const UniqueKernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!event)
            return false;
        OVERLAPPED overlapped{};
        overlapped.hEvent = event.Get();
        DWORD size = 0;
        if (!Finish(pipe.Get(), overlapped,
                    WriteFile(pipe.Get(), message.data(), static_cast<DWORD>(message.size()), nullptr, &overlapped),
                    deadline, size) ||
            size != message.size())
            return false;
        char answer[16] = {};
        ResetEvent(event.Get());
        if (!Finish(pipe.Get(), overlapped, ReadFile(pipe.Get(), answer, sizeof answer, nullptr, &overlapped),
                    deadline, size))
            return false;
        return std::string_view(answer, size) == kGuardAccepted;
    } catch (...) {
        return false;
    }
}

}  // namespace vardex
