#include "OffThread_win.h"

#include "ProcessProtection_win.h"
#include "UniqueHandle_win.h"

#include <exception>

namespace vardex {

namespace {
struct Job {
    const std::function<void()>& work;
    std::exception_ptr error;
};

DWORD WINAPI RunJob(void* data) noexcept
{
    Job& job = *static_cast<Job*>(data);
    try {
        job.work();
    } catch (...) {
        job.error = std::current_exception();
    }
    return 0;
}

// Dispatches messages until the thread has ended; once the program is ending, only waits, which
// the work's own time bounds. An error of a dispatch is handed back only then: until the thread
// has ended, its work may still use what the caller holds.
std::exception_ptr PumpUntilEnded(MessagePump& pump, HANDLE thread) noexcept
{
    std::exception_ptr error;
    while (!pump.Terminated()) {
        try {
            pump.ProcessPendingMessages();
            pump.RunGuardIfDue();
        } catch (...) {
            if (!error)
                error = std::current_exception();
        }
        const DWORD woke = MsgWaitForMultipleObjectsEx(1, &thread, MessagePump::kGuardPeriodMs, QS_ALLINPUT,
                                                       MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0)
            return error;
    }
    WaitForSingleObject(thread, INFINITE);
    return error;
}
}  // namespace

void RunOffThread(MessagePump& pump, const std::function<void()>& work)
{
    Job job{work, nullptr};
    std::exception_ptr pumpError;
    if (const UniqueKernelHandle thread = StartProtectedThread(RunJob, &job))
        pumpError = PumpUntilEnded(pump, thread.Get());
    else
        RunJob(&job);
    if (job.error)
        std::rethrow_exception(job.error);
    if (pumpError)
        std::rethrow_exception(pumpError);
}

}  // namespace vardex
