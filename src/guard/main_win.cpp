// vardexguard: the Windows service that keeps the lock service running in every session with a
// user, writes for it what a standard user cannot, and ends a session whose grace period is
// over even when the lock service is gone.
#include "GuardPipe_win.h"
#include "GuardianHost_win.h"
#include "ServiceRecovery_win.h"
#include "win/AccountDirectory_win.h"
#include "common/Accounts.h"
#include "common/Texts.h"
#include "win/Clock_win.h"
#include "win/CodeSecret_win.h"
#include "win/ConsoleText_win.h"
#include "win/DllSearch_win.h"
#include "win/Files_win.h"
#include "win/PasswordCrypto_win.h"
#include "win/FolderAccess_win.h"
#include "win/Registry_win.h"
#include "win/ResourceTexts_win.h"
#include "win/SystemFacts_win.h"
#include "config/Settings.h"
#include "config/StatisticsLogs.h"

#include <windows.h>
#include <wtsapi32.h>

#include <algorithm>
#include <deque>
#include <mutex>
#include <stdexcept>

namespace vardex {
namespace {

// How often the session list is read again: notices of logons can be missed (before the
// service started, or where the system sends none).
constexpr std::int64_t kSessionPollMs = 2000;
// Completions that the service control handler posts to the loop's port.
constexpr ULONG_PTR kStopKey = 0x53544F50;
constexpr ULONG_PTR kNoticeKey = 0x4E4F5445;

struct SessionNotice {
    DWORD event;
    std::uint32_t sessionId;
};

// What the service control handler hands over to the loop, through its completion port.
struct ServiceControl {
    UniqueKernelHandle port{CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1)};
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
        PostQueuedCompletionStatus(control->port.Get(), 0, kStopKey, nullptr);
        return NO_ERROR;
    case SERVICE_CONTROL_SESSIONCHANGE: {
        const auto* notification = static_cast<const WTSSESSION_NOTIFICATION*>(eventData);
        try {
            const std::lock_guard lock(control->mutex);
            control->notices.push_back({eventType, notification ? notification->dwSessionId : 0});
        } catch (...) {
            // Missed: the next reading of the session list finds it.
        }
        PostQueuedCompletionStatus(control->port.Get(), 0, kNoticeKey, nullptr);
        return NO_ERROR;
    }
    case SERVICE_CONTROL_INTERROGATE: return NO_ERROR;
    default: return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

class GuardianRun {
public:
    explicit GuardianRun(HANDLE port)
        : port_(port), host_(ProgramDirectory(), port, pipe_), accounts_(system_, directory_, registry_),
          gate_(registry_, files_, crypto_, clock_, [this] { return accounts_.EnumerateUsers(false); }, ProgramDirectory(),
                [this](GuardLogKind kind, const std::string& text) { host_.Log(kind, text); },
                [this](const std::string& text) { guardian_.Warn("configuration", text); }),
          guardian_(host_, registry_, files_, clock_,
                    [this](const std::string& name) { return accounts_.GetUserKey(name, false); }, ProgramDirectory(),
                    IsStatisticsLogLine,
                    [](FileSystem& files, const std::string& path, const std::string& bytes) {
                        AppendToStatisticsLog(files, path, bytes);
                    }),
          pipe_(
              port, [this](const GuardClient& client, std::string_view message) { return guardian_.Handle(client, message); },
              [this](std::uint32_t session, std::uint32_t process, std::string_view message) {
                  return guardian_.HandleChannel(session, process, message);
              },
              [this](const std::string& text) { guardian_.Warn("pipe", text); })
    {
        gate_.UseCodes(codes_);
        guardian_.UseAdminGate(gate_);
        guardian_.UseFirstWeekday(system_.SystemRegional().firstWeekday);
    }

    void Run(ServiceControl& service)
    {
        host_.Log(GuardLogKind::Information, EnglishText(TextId::MessageGuardianStarted));
        if (!pipe_.Listening())
            host_.Log(GuardLogKind::Error, EnglishText(TextId::MessageGuardianPipeHeld));
        guardian_.Restore();
        std::int64_t nextPoll = 0;
        for (;;) {
            // Each round on its own: whatever goes wrong in one is logged, and the guardian goes on.
            try {
                if (!Round(service, nextPoll))
                    break;
            } catch (const std::exception& error) {
                host_.Log(GuardLogKind::Error, EnglishMessage(TextId::MessageGuardianLoopFailed, {error.what()}));
                Sleep(100);
            }
        }
        host_.Log(GuardLogKind::Information, EnglishText(TextId::MessageGuardianStopped));
    }

private:
    // One wait and what it brought; false when the service is to stop.
    bool Round(ServiceControl& service, std::int64_t& nextPoll)
    {
        std::int64_t now = clock_.ElapsedMs();
        if (now >= nextPoll) {
            guardian_.SessionsPresent(host_.LoggedOnSessions());
            nextPoll = now + kSessionPollMs;
        }
        std::int64_t wait = std::min(nextPoll - now, guardian_.Tick());
        if (const auto due = pipe_.CutOffSilent())
            wait = std::min(wait, *due);
        DWORD bytes = 0;
        ULONG_PTR key = 0;
        OVERLAPPED* overlapped = nullptr;
        const BOOL dequeued = GetQueuedCompletionStatus(port_, &bytes, &key, &overlapped,
                                                        static_cast<DWORD>(std::max<std::int64_t>(wait, 0)));
        const DWORD error = dequeued ? ERROR_SUCCESS : GetLastError();
        if (!dequeued && !overlapped)
            return true;  // the wait's time is over
        if (key == kStopKey)
            return false;
        if (key == kNoticeKey)
            TakeNotices(service);
        else if (key == kLockServiceEndedKey)
            ProcessEnded(bytes);
        else if (key == GuardPipeServer::kCompletionKey)
            pipe_.Completed(overlapped, bytes, error);
        return true;
    }

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
                for (const SessionUser& user : host_.LoggedOnSessions())
                    if (user.sessionId == notice.sessionId)
                        guardian_.SessionLoggedOn(user);
        }
    }

    void ProcessEnded(DWORD processId)
    {
        if (const std::optional<std::uint32_t> session = host_.Ended(processId))
            guardian_.LockServiceEnded(*session, processId);
    }

    HANDLE port_;
    Win32Registry registry_;
    Win32SystemFacts system_;
    Win32AccountDirectory directory_;
    Win32FileSystem files_;
    Win32Clock clock_;
    Win32GuardianHost host_;
    Accounts accounts_;
    Win32PasswordCrypto crypto_;
    Win32SecretStore secrets_;
    CodeSecret codes_{secrets_, crypto_, clock_};
    AdminGate gate_;
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
        if (!SetRestartOnFailure(kGuardianServiceName))
            LogGuardianEvent(GuardLogKind::Warning, EnglishText(TextId::MessageGuardianNoRestart));
        if (const std::optional<std::string> refusal = RefusalToRunFrom(ProgramDirectory())) {
            LogGuardianEvent(GuardLogKind::Error, *refusal);
            throw std::runtime_error(*refusal);
        }
        GuardianRun run(control->port.Get());
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
        using namespace vardex;
        const ResourceTexts texts(ProgramLanguage(kSettingsKeyPath, SettingNames::Language));
        WriteText(GetStdHandle(STD_ERROR_HANDLE), texts.Get(TextId::GuardRunsAsService) + "\r\n");
        return 1;
    }
    return 0;
}
