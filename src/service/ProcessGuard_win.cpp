#include "ProcessGuard_win.h"

#include "LockSession.h"
#include "SystemOps_win.h"
#include "common/ProcessProtection_win.h"

#include <windows.h>


namespace vardex {

namespace {
const LockSession* watchedSession = nullptr;

LONG WINAPI LockBeforeCrash(EXCEPTION_POINTERS*) noexcept
{
    if (watchedSession && watchedSession->Active())
        LockWorkStationIfAvailable();
    return EXCEPTION_CONTINUE_SEARCH;
}
}  // namespace

bool ProtectProcess() noexcept
{
    return ProtectThisProcess();
}

void LockWorkstationOnCrash(const LockSession& session) noexcept
{
    watchedSession = &session;
    SetUnhandledExceptionFilter(LockBeforeCrash);
}

}  // namespace vardex
