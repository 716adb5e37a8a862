// The lock service's program start: single instance, the hidden application window, the main
// window and the message loop.
#include "MainForm_win.h"
#include "common/AccountDirectory_win.h"
#include "common/Application.h"
#include "common/ErrorReport_win.h"
#include "common/Files_win.h"
#include "common/Registry_win.h"
#include "common/SystemFacts_win.h"
#include "common/TextConvert_win.h"
#include "common/UniqueHandle_win.h"

#include <windows.h>

namespace vardex {
namespace {

// How long a second start waits for each window to take the reload signal: a hung program
// elsewhere must not hang the start for ever.
constexpr UINT kBroadcastTimeoutMs = 5000;

// Windows 9x takes a registered service process off the task list; elsewhere the entry point
// does not exist and nothing happens.
void RegisterServiceProcess(DWORD registerFlag) noexcept
{
    using Function = DWORD(WINAPI*)(DWORD, DWORD);
    const UniqueModule kernel(LoadLibraryW(L"KERNEL32.DLL"));
    if (const auto function = GetProcedure<Function>(kernel, "RegisterServiceProcess"))
        function(GetCurrentProcessId(), registerFlag);
}

void ProcessPendingMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// The network logon of Windows 9x shows a transparent desktop; the service waits until it goes.
void WaitForNetworkLogon()
{
    while (FindWindowW(L"MPRTransparentDesktop", nullptr)) {
        ProcessPendingMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

// The application-wide message filter: minimise and close commands never reach a window.
bool IsFilteredOut(const MSG& msg)
{
    return msg.message == WM_SYSCOMMAND && (msg.wParam == SC_MINIMIZE || msg.wParam == SC_CLOSE);
}

void RunMessageLoop()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsFilteredOut(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// The application's hidden top-level window: it has no taskbar button and takes the system
// commands the main window refuses.
class TApplicationWindow final : public Window {
public:
    TApplicationWindow()
    {
        const std::wstring title = Widen(kApplicationTitle);
        CreateParams params;
        params.className = L"TApplication";
        params.title = title.c_str();
        params.style = WS_POPUP;
        Create(params);
        SetWindowLongPtrW(Handle(), GWL_EXSTYLE, GetWindowLongPtrW(Handle(), GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
    }
};

int RunService()
{
    const UINT signalMessage = RegisterWindowMessageW(kSignalMessageName);
    const HANDLE serviceMutex = CreateMutexW(nullptr, FALSE, kServiceMutexName);
    if (serviceMutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(HWND_BROADCAST, signalMessage, kReloadSignal, 0, SMTO_ABORTIFHUNG,
                            kBroadcastTimeoutMs, &ignored);
        return 0;
    }
    // The service mutex stays open for the life of the process: it is how others see us run.
    RegisterServiceProcess(1);

    Win32Registry registry;
    Win32SystemFacts system;
    Win32AccountDirectory directory;
    Win32FileSystem files;
    Accounts accounts(system, directory, registry);

    TApplicationWindow application;
    WaitForNetworkLogon();
    TMainForm mainForm({registry, system, accounts, files}, signalMessage);
    mainForm.FormCreate();
    RunMessageLoop();

    RegisterServiceProcess(0);
    return 0;
}

}  // namespace
}  // namespace vardex

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    try {
        return vardex::RunService();
    } catch (...) {
        vardex::ReportCurrentException(nullptr);
        return 1;
    }
}
