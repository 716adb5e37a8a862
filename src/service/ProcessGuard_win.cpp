#include "ProcessGuard_win.h"

#include "LockSession.h"
#include "SystemOps_win.h"
#include "win/ProcessProtection_win.h"
#include "win/UniqueHandle_win.h"

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

bool IsGenuineLockService(unsigned long processId) noexcept
{
    const UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | READ_CONTROL, FALSE, processId));
    wchar_t own[MAX_PATH * 2] = L"", other[MAX_PATH * 2] = L"";
    DWORD size = MAX_PATH * 2;
    if (!process || !GetModuleFileNameW(nullptr, own, MAX_PATH * 2) ||
        !QueryFullProcessImageNameW(process.Get(), 0, other, &size))
        return false;
    try {
        return CompareStringOrdinal(own, -1, other, -1, TRUE) == CSTR_EQUAL &&
               CarriesProcessProtection(process.Get(), ThisProcessUser());
    } catch (...) {
        return false;
    }
}

void LockWorkstationOnCrash(const LockSession& session) noexcept
{
    watchedSession = &session;
    SetUnhandledExceptionFilter(LockBeforeCrash);
}

}  // namespace vardex
