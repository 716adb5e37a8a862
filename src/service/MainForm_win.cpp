#include "MainForm_win.h"

#include "HotKey.h"
#include "HotKey_win.h"
#include "common/Application.h"
#include "common/ErrorReport_win.h"
#include "common/TextConvert_win.h"

namespace vardex {

std::string ProgramDirectory()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return Narrow(path.substr(0, path.find_last_of(L"\\/") + 1));
}

TMainForm::TMainForm(ServicePorts ports, UINT signalMessage) : ports_(ports), signalMessage_(signalMessage)
{
    const std::wstring title = Widen(kApplicationTitle);
    CreateParams params;
    params.className = L"TMainForm";
    params.title = title.c_str();
    params.style = WS_POPUP;
    params.exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOPARENTNOTIFY;
    params.background = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    Create(params);
}

void TMainForm::FormCreate()
{
    // The formats are read once: the service does not follow later changes of the regional
    // settings.
    regional_ = ports_.system.Regional();
    programDirectory_ = ProgramDirectory();
    try {
        ActionLoadSettingsExecute();
    } catch (...) {
        // The rest of the start must happen anyway: a bad value leaves defaults, not a
        // half-started service.
        ReportCurrentException(Handle());
    }
    helpFile_ = programDirectory_ + "ombrel.hlp";
    statisticsLogPath_ = programDirectory_ + settings_.UserKey + ".log";
}

void TMainForm::ActionLoadSettingsExecute()
{
    const std::string userKey = ports_.accounts.GetUserKey(ports_.accounts.GetCurrentUserName(), false);
    LoadServiceSettings(settings_, ports_.registry, userKey, programDirectory_, regional_);
    RegisterLockHotKey(Handle(), settings_.HotKey);
    lockActionCaption_ = LockActionCaption(settings_.HotKey, LayoutKeyNameOf);
}

void TMainForm::FormDestroy() noexcept
{
    UnregisterLockHotKey(Handle());
}

LRESULT TMainForm::HandleSignal(WPARAM code, UINT message, LPARAM lParam)
{
    if (code == kReloadSignal) {
        ActionLoadSettingsExecute();
        return 0;
    }
    return DefaultHandling(message, code, lParam);
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SYSCOMMAND:
        return 0;  // the lock screen cannot be moved, sized, minimised or closed
    case WM_QUERYENDSESSION:
    case WM_ENDSESSION: {
        const LRESULT result = DefaultHandling(message, wParam, lParam);
        PostMessageW(Handle(), WM_CLOSE, 0, 0);
        return result;
    }
    case WM_DESTROY:
        FormDestroy();
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    if (message == signalMessage_)
        return HandleSignal(wParam, message, lParam);
    return DefaultHandling(message, wParam, lParam);
}

}  // namespace vardex
