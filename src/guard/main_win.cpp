// vardexguard: the Windows service that keeps the lock service running in every session with a
// user, writes for it what a standard user cannot, and ends a session whose grace period is
// over even when the lock service is gone.
#include "GuardPipe_win.h"
#include "GuardianHost_win.h"
#include "ServiceRecovery_win.h"
#include "common/AccountDirectory_win.h"
#include "common/Accounts.h"
#include "common/Clock_win.h"
#include "common/DllSearch_win.h"
#include "common/Files_win.h"
#include "common/FolderAccess_win.h"
#include "common/Registry_win.h"
#include "common/SystemFacts_win.h"

#include <windows.h>
#include <wtsapi32.h>

#include <cstdio>
#include <deque>
#include <mutex>
#include <stdexcept>

namespace vardex {
namespace {

// How often the session list is read again: notices of logons can be missed (before the
// service started, or where the system sends none).
constexpr std::int64_t kSessionPollMs = 2000;

struct SessionNotice {
    DWORD event;
    std::uint32_t sessionId;
};

// What the service control handler hands over to the loop.
struct ServiceControl {
    UniqueKernelHandle stop{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueKernelHandle noticed{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    std::mutex mutex;
    std::deque<SessionNotice> notices;
    SERVICE_STATUS_HANDLE statusHandle = nullptr;
    SERVICE_STATUS status{SERVICE_WIN32_OWN_PROCESS, SERVICE_START_PENDING, 0, NO_ERROR, 0, 0, 3000};

    void Report(DWORD state)
    {
        status.dwCurrentState = state;
        status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN |
                                                                   SERVICE_ACCEPT_PRESHUTDOWN |
                                                                   SERVICE_ACCEPT_SESSIONCHANGE
                                                             : 0;
        SetServiceStatus(statusHandle, &status);
    }
};

ServiceControl* control = nullptr;

DWORD WINAPI HandleControl(DWORD code, DWORD eventType, LPVOID eventData, LPVOID) noexcept
{
    switch (code) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
    case SERVICE_CONTROL_PRESHUTDOWN:
        control->Report(SERVICE_STOP_PENDING);
        SetEvent(control->stop.Get());
        return NO_ERROR;
    case SERVICE_CONTROL_SESSIONCHANGE: {
        const auto* notification = static_cast<const WTSSESSION_NOTIFICATION*>(eventData);
        {
            const std::lock_guard lock(control->mutex);
            control->notices.push_back({eventType, notification ? notification->dwSessionId : 0});
        }
        SetEvent(control->noticed.Get());
        return NO_ERROR;
    }
    case SERVICE_CONTROL_INTERROGATE: return NO_ERROR;
    default: return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

class GuardianRun {
public:
    GuardianRun()
        : host_(ProgramDirectory()), accounts_(system_, directory_, registry_),
          guardian_(host_, registry_, files_, clock_,
                    [this](const std::string& name) { return accounts_.GetUserKey(name, false); }, ProgramDirectory()),
          pipe_([this](const GuardClient& client, std::string_view message) { return guardian_.Handle(client, message); },
                [this](const std::string& text) { host_.Log(GuardLogKind::Warning, text); })
    {
    }

    void Run(ServiceControl& service)
    {
        host_.Log(GuardLogKind::Information, "The guardian started.");
        if (!pipe_.Listening())
            host_.Log(GuardLogKind::Error, "The guardian's pipe could not be created: another program holds its name. "
                                           "Lock services that cannot write the settings keep their counts in memory.");
        std::int64_t nextPoll = 0;
        for (;;) {
            const std::int64_t now = clock_.ElapsedMs();
            if (now >= nextPoll) {
                guardian_.SessionsPresent(host_.LoggedOnSessions());
                nextPoll = now + kSessionPollMs;
            }
            std::int64_t wait = nextPoll - now;
            for (const auto due : {guardian_.Tick(), pipe_.CutOffSilent()})
                if (due)
                    wait = std::min(wait, *due);
            std::vector<HANDLE> handles{service.stop.Get(), service.noticed.Get()};
            const std::vector<HANDLE> pipeEvents = pipe_.Events();
            handles.insert(handles.end(), pipeEvents.begin(), pipeEvents.end());
            const auto watched = guardian_.Watched();
            for (const auto& [session, process] : watched)
                handles.push_back(host_.Process(process));
            const DWORD woken = WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE,
                                                       static_cast<DWORD>(std::max<std::int64_t>(wait, 0)));
            if (woken == WAIT_OBJECT_0)
                break;
            if (woken == WAIT_FAILED) {
                Sleep(100);  // a handle went bad: the next round builds the list anew
                continue;
            }
            const std::size_t index = woken - WAIT_OBJECT_0;
            if (index == 1)
                TakeNotices(service);
            else if (index >= 2 && index < 2 + pipeEvents.size())
                pipe_.Serve(index - 2);
            else if (index < handles.size())
                ProcessEnded(watched.at(index - 2 - pipeEvents.size()));
        }
        host_.Log(GuardLogKind::Information, "The guardian stopped.");
    }

private:
    void TakeNotices(ServiceControl& service)
    {
        std::deque<SessionNotice> notices;
        {
            const std::lock_guard lock(service.mutex);
            notices.swap(service.notices);
        }
        for (const SessionNotice& notice : notices) {
            if (notice.event == WTS_SESSION_LOGOFF)
                guardian_.SessionEnding(notice.sessionId);
            else if (notice.event == WTS_SESSION_LOGON)
                for (const auto& [id, user] : host_.LoggedOnSessions())
                    if (id == notice.sessionId)
                        guardian_.SessionLoggedOn(id, user);
        }
    }

    void ProcessEnded(const std::pair<std::uint32_t, std::uint32_t>& watched)
    {
        host_.Forget(watched.second);
        guardian_.LockServiceEnded(watched.first);
    }

    Win32Registry registry_;
    Win32SystemFacts system_;
    Win32AccountDirectory directory_;
    Win32FileSystem files_;
    Win32Clock clock_;
    Win32GuardianHost host_;
    Accounts accounts_;
    Guardian guardian_;
    GuardPipeServer pipe_;
};

void WINAPI ServiceMain(DWORD, LPWSTR*) noexcept
{
    control->statusHandle = RegisterServiceCtrlHandlerExW(kGuardianServiceName, HandleControl, nullptr);
    if (!control->statusHandle)
        return;
    try {
        // Before anything runs as SYSTEM: started again by the system after a failure, and never
        // run from a folder where others could put a program or a DLL.
        Win32GuardianHost startLog(ProgramDirectory());
        if (!SetRestartOnFailure(kGuardianServiceName))
            startLog.Log(GuardLogKind::Warning, "The guardian's restart after a failure could not be set.");
        if (const std::optional<std::string> refusal = RefusalToRunFrom(ProgramDirectory())) {
            startLog.Log(GuardLogKind::Error, *refusal);
            throw std::runtime_error(*refusal);
        }
        GuardianRun run;
        control->Report(SERVICE_RUNNING);
        run.Run(*control);
    } catch (...) {
        control->status.dwWin32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
        control->status.dwServiceSpecificExitCode = 1;
    }
    control->Report(SERVICE_STOPPED);
}

}  // namespace
}  // namespace vardex

int wmain()
{
    vardex::RestrictDllSearchToSystem();
    vardex::ServiceControl service;
    vardex::control = &service;
    wchar_t name[] = L"vardexguard";
    const SERVICE_TABLE_ENTRYW table[] = {{name, vardex::ServiceMain}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherW(table)) {
        std::fputs("vardexguard runs as a Windows service; it is installed with PC Vardex.\n", stderr);
        return 1;
    }
    return 0;
}
