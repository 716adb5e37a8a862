// vardexsaver: installed as the Windows screen saver, it asks the running lock service to lock.
// No window, no message loop; it always ends with exit code 0.
#include "SaverCommand.h"
#include "common/Application.h"
#include "config/Settings.h"
#include "win/DllSearch_win.h"
#include "win/ResourceTexts_win.h"
#include "win/TextConvert_win.h"
#include "win/UniqueHandle_win.h"

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

namespace vardex {
namespace {

// The texts in the user's language, or the one the settings force.
const ResourceTexts& SaverTexts()
{
    static const ResourceTexts texts(ProgramLanguage(kSettingsKeyPath, SettingNames::Language));
    return texts;
}

std::wstring SaverText(TextId id)
{
    return Widen(SaverTexts().Get(id));
}

std::vector<std::string> Arguments()
{
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &count);
    const UniqueLocalMemory release(list);
    for (int i = 1; list && i < count; ++i)
        arguments.push_back(Narrow(list[i]));
    return arguments;
}

bool MutexExists(const wchar_t* name)
{
    // The handle stays open until the process ends, as the system releases it then. Only to see
    // it exists: nothing more is asked of it.
    return OpenMutexW(SYNCHRONIZE, FALSE, name) != nullptr;
}

void ShowMessage(TextId text, UINT icon)
{
    MessageBoxW(nullptr, SaverText(text).c_str(), SaverText(TextId::SaverCaption).c_str(), MB_TASKMODAL | icon);
}

void ChangePassword(HWND parent)
{
    using Function = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
    const UniqueModule library(LoadLibraryW(L"MPR.DLL"));
    if (const auto function = GetProcedure<Function>(library, "PwdChangePasswordA"))
        function("SCRSAVE", parent, 0, nullptr);
}

void ReportError(const std::string& message)
{
    const std::wstring text = Widen(message);
    MessageBoxW(nullptr, text.c_str(), SaverText(TextId::SaverCaption).c_str(), MB_TASKMODAL | MB_ICONERROR);
}

void Run()
{
    const std::vector<std::string> arguments = Arguments();
    const SaverActions actions = DecideSaverActions(arguments, MutexExists(kServiceMutexName));
    if (actions.showNotExecuted)
        ShowMessage(TextId::SaverNotExecuted, MB_ICONERROR);
    if (actions.broadcastLock)
        SendNotifyMessageW(HWND_BROADCAST, RegisterWindowMessageW(kSignalMessageName), kLockSignal, 0);
    if (actions.showNothingToConfigure)
        ShowMessage(TextId::SaverNothingToConfigure, MB_ICONINFORMATION);
    if (actions.changePassword) {
        const std::int64_t handle = ParseWindowHandleArgument(arguments.size() > 1 ? arguments[1] : std::string());
        ChangePassword(reinterpret_cast<HWND>(static_cast<INT_PTR>(handle)));
    }
}

}  // namespace
}  // namespace vardex

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    vardex::RestrictDllSearchToSystem();
    try {
        vardex::Run();
    } catch (const std::exception& error) {
        // A conversion error (argument 2 not a number) ends the program with its message.
        vardex::ReportError(error.what());
    }
    return 0;
}
