#include "ServiceRecovery_win.h"

#include "win/UniqueHandle_win.h"

namespace vardex {

namespace {
constexpr DWORD kResetAfterSeconds = 24 * 60 * 60;
using UniqueServiceHandle = UniqueHandle<SimpleHandleTraits<SC_HANDLE, CloseServiceHandle>>;
}  // namespace

bool SetRestartOnFailure(const wchar_t* serviceName) noexcept
{
    const UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return false;
    // Restart actions need the right to start the service besides the one to change it.
    const UniqueServiceHandle service(OpenServiceW(manager.Get(), serviceName, SERVICE_CHANGE_CONFIG | SERVICE_START));
    if (!service)
        return false;
    SC_ACTION actions[] = {{SC_ACTION_RESTART, 1000}, {SC_ACTION_RESTART, 1000}, {SC_ACTION_RESTART, 5000}};
    SERVICE_FAILURE_ACTIONSW failureActions{kResetAfterSeconds, nullptr, nullptr, 3, actions};
    SERVICE_FAILURE_ACTIONS_FLAG onErrorStops{TRUE};
    const bool restarts = ChangeServiceConfig2W(service.Get(), SERVICE_CONFIG_FAILURE_ACTIONS, &failureActions);
    const bool onErrors = ChangeServiceConfig2W(service.Get(), SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &onErrorStops);
    return restarts && onErrors;
}

}  // namespace vardex
