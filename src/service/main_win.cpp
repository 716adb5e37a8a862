// The lock service's program start: single instance, the hidden application window, the main
// window and the message loop, and the shutdown when one was asked for.
#include "ServiceApplication_win.h"
#include "GuardianLink_win.h"
#include "StartOptions.h"
#include "MainForm_win.h"
#include "ProcessGuard_win.h"
#include "SystemOps_win.h"
#include "win/AccountDirectory_win.h"
#include "common/Application.h"
#include "win/Clock_win.h"
#include "win/DllSearch_win.h"
#include "win/ErrorReport_win.h"
#include "win/Files_win.h"
#include "win/PasswordCrypto_win.h"
#include "win/Registry_win.h"
#include "win/SystemFacts_win.h"
#include "win/TextConvert_win.h"
#include "win/UniqueHandle_win.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace vardex {
namespace {

// How long a second start waits for each window to take the reload signal: a hung program
// elsewhere must not hang the start for ever.

// Windows 9x takes a registered service process off the task list; elsewhere the entry point
// does not exist and nothing happens.
void RegisterServiceProcess(DWORD registerFlag) noexcept
{
    using Function = DWORD(WINAPI*)(DWORD, DWORD);
    const UniqueModule kernel(LoadLibraryW(L"KERNEL32.DLL"));
    if (const auto function = GetProcedure<Function>(kernel, "RegisterServiceProcess"))
        function(GetCurrentProcessId(), registerFlag);
}

// How long a start waits for the guardian's word on whether it is the session's lock service.
constexpr DWORD kGuardianAnswerMs = 3000;

// Hands the signal of a second start to the running lock service's window: the reload is waited
// for (it has reloaded when this returns), the lock is posted besides.
bool Signal(HWND window, UINT signalMessage, WPARAM signal)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, signalMessage, kReloadSignal, 0, SMTO_ABORTIFHUNG, kBroadcastTimeoutMs, &answer) ||
        answer != static_cast<DWORD_PTR>(kSignalAnswer))
        return false;
    if (signal != kReloadSignal)
        PostMessageW(window, signalMessage, signal, 0);
    return true;
}

// The main windows of the lock service in that process.
std::vector<HWND> ServiceWindowsOf(DWORD processId)
{
    std::vector<HWND> windows;
    for (HWND window = FindWindowExW(nullptr, nullptr, L"TMainForm", nullptr); window;
         window = FindWindowExW(nullptr, window, L"TMainForm", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId)
            windows.push_back(window);
    }
    return windows;
}

// Where a guardian runs, the session's lock service is the one it names.
void SignalGuardiansService(UINT signalMessage, WPARAM signal)
{
    const std::optional<std::string> answer = AskGuardian(GuardRequest::Of(GuardRequestKind::Who));
    const std::optional<std::uint32_t> service = answer ? ParseWhoAnswer(*answer) : std::nullopt;
    if (!service)
        return;  // none runs this moment: the guardian starts one
    for (HWND window : ServiceWindowsOf(*service))
        if (Signal(window, signalMessage, signal))
            return;
}

// Without a guardian: the service mutex exists, and a running lock service answers the reload
// signal, is this very program and carries the protection we give ourselves (it then has
// reloaded; another signal asked for, such as the lock, is posted to it besides). A program that
// merely holds the mutex, or has a window of that name answering as we do, does not count, and
// this start goes on.
bool RunningServiceAnswers(UINT signalMessage, WPARAM signal)
{
    for (HWND window = FindWindowExW(nullptr, nullptr, L"TMainForm", nullptr); window;
         window = FindWindowExW(nullptr, window, L"TMainForm", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != GetCurrentProcessId() && IsGenuineLockService(owner) && Signal(window, signalMessage, signal))
            return true;
    }
    return false;
}

// The network logon of Windows 9x shows a transparent desktop; the service waits until it goes.
void WaitForNetworkLogon(MessagePump& pump)
{
    while (FindWindowW(L"MPRTransparentDesktop", nullptr)) {
        pump.ProcessPendingMessages();
        pump.WaitForMessages(50);
    }
}

StartOptions ReadCommandLine()
{
    int count = 0;
    const UniqueLocalMemory memory(CommandLineToArgvW(GetCommandLineW(), &count));
    const auto* arguments = static_cast<LPWSTR*>(memory.Get());
    std::vector<std::string> words;
    for (int i = 1; arguments && i < count; ++i)
        words.push_back(Narrow(arguments[i]));
    return ParseStartOptions(words);
}

int RunService()
{
    // Before anything else can be attacked: the user's programs may not end or stall us.
    ProtectProcess();
    const StartOptions options = ReadCommandLine();
    const bool guarded = GuardianServiceRuns();
    // Started by the logon entry where the guardian starts us itself: that one is the service.
    if (options.atLogon && guarded)
        return 0;
    const UINT signalMessage = RegisterWindowMessageW(kSignalMessageName);
    const WPARAM signal = options.lock ? kLockSignal : kReloadSignal;
    // Whether we are the session's lock service is the guardian's word, where one runs: a
    // window's answer or a mutex can be anybody's.
    GuardianLink guardian;
    const std::optional<bool> ours = guarded ? guardian.Open(options.channel, kGuardianAnswerMs) : std::nullopt;
    if (ours == false) {
        SignalGuardiansService(signalMessage, signal);
        return 0;
    }
    // The mutex stays open for the life of the process: it is how others see the service run.
    const HANDLE serviceMutex = CreateMutexW(nullptr, FALSE, kServiceMutexName);
    if (!ours && serviceMutex && GetLastError() == ERROR_ALREADY_EXISTS && RunningServiceAnswers(signalMessage, signal))
        return 0;
    RegisterServiceProcess(1);
    // Pictures of the lock screen other than JPEG come through the system's OLE loader.
    OleInitialize(nullptr);
    // Once for the program: the controls of the dialogs and of the configuration window.
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                            ICC_USEREX_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&controls);

    Win32Registry registry;
    Win32SystemFacts system;
    Win32AccountDirectory directory;
    Win32FileSystem files;
    Win32Clock clock;
    Win32PasswordCrypto crypto;
    Accounts accounts(system, directory, registry);

    Application application;
    SetErrorSink(&application.reports);
    WaitForNetworkLogon(application.pump);
    {
        TMainForm mainForm(application, {registry, system, accounts, files, clock, crypto}, guardian, signalMessage);
        LockWorkstationOnCrash(mainForm.Session());
        mainForm.FormCreate(options);
        application.pump.Run();
        if (application.exitMode == ExitMode::Shutdown)
            ShutdownComputer();
        else if (application.exitMode == ExitMode::LogOff)
            LogOffUser();
    }
    SetErrorSink(nullptr);
    RegisterServiceProcess(0);
    OleUninitialize();
    return 0;
}

}  // namespace
}  // namespace vardex

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    vardex::RestrictDllSearchToSystem();
    try {
        return vardex::RunService();
    } catch (...) {
        vardex::ReportCurrentException(nullptr);
        return 0;  // the program's exit code is 0 whatever happened
    }
}
