// vardexprobe: answers the end-to-end tests' questions about the Windows side of a Wine prefix.
//   vardexprobe mutex NAME           exit 0 when the named mutex exists, 1 otherwise
//   vardexprobe hotkey-free CODE     exit 0 when nobody holds the hot key of the 16-bit code
//   vardexprobe set-dword NAME N     writes a number under the settings key
//   vardexprobe set-sz NAME TEXT     writes a text under the settings key
//   vardexprobe windows              prints class and title of every visible top-level window
//   vardexprobe user                 prints the logon name
//   vardexprobe signal N             broadcasts the signal message with wParam N
//   vardexprobe button-enabled TEXT  exit 0 when the unlock prompt's button TEXT is enabled
//   vardexprobe dialog TITLE         prints the texts in the dialog box (message box) TITLE
//   vardexprobe dialog-ok TITLE      presses OK in the dialog box TITLE
//   vardexprobe set-desktop NAME T   writes a text under the user's "Control Panel\Desktop"
#include "common/TextConvert_win.h"
#include "config/Settings.h"
#include "service/HotKey.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace vardex;

int Mutex(const std::wstring& name)
{
    const HANDLE handle = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
    if (!handle)
        return 1;
    CloseHandle(handle);
    return 0;
}

int HotKeyFree(const char* text)
{
    const HotKeyRegistration r = HotKeyToRegistration(static_cast<std::uint16_t>(std::strtoul(text, nullptr, 0)));
    if (!RegisterHotKey(nullptr, 1, r.modifiers, r.virtualKey))
        return 1;
    UnregisterHotKey(nullptr, 1);
    return 0;
}

int SetValue(const std::wstring& name, DWORD type, const void* data, DWORD size, HKEY root = HKEY_LOCAL_MACHINE,
             const std::wstring& path = Widen(kSettingsKeyPath))
{
    HKEY key;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 2;
    const LSTATUS status = RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 0 : 2;
}

BOOL CALLBACK PrintVisibleWindow(HWND window, LPARAM)
{
    if (IsWindowVisible(window)) {
        wchar_t title[256] = L"", className[256] = L"";
        GetWindowTextW(window, title, 256);
        GetClassNameW(window, className, 256);
        std::printf("%s\t%s\n", Narrow(className).c_str(), Narrow(title).c_str());
    }
    return TRUE;
}

BOOL CALLBACK PrintChildText(HWND child, LPARAM)
{
    wchar_t text[512] = L"";
    GetWindowTextW(child, text, 512);
    if (text[0])
        std::printf("%s\n", Narrow(text).c_str());
    return TRUE;
}

int PrintDialog(const std::wstring& title)
{
    HWND dialog = FindWindowW(L"#32770", title.c_str());
    if (!dialog)
        return 1;
    EnumChildWindows(dialog, PrintChildText, 0);
    return 0;
}

int PressDialogOk(const std::wstring& title)
{
    HWND dialog = FindWindowW(L"#32770", title.c_str());
    if (!dialog)
        return 1;
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    return 0;
}

int PromptButtonEnabled(const std::wstring& text)
{
    HWND prompt = FindWindowW(L"TPwdForm", nullptr);
    HWND button = prompt ? FindWindowExW(prompt, nullptr, L"Button", text.c_str()) : nullptr;
    if (!button)
        return 2;
    return IsWindowEnabled(button) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const std::string command = argv[1];
    if (command == "windows") {
        EnumWindows(PrintVisibleWindow, 0);
        return 0;
    }
    if (command == "user") {
        wchar_t name[257];
        DWORD size = 257;
        if (!GetUserNameW(name, &size))
            return 1;
        std::printf("%s\n", Narrow(name).c_str());
        return 0;
    }
    if (argc < 3)
        return 2;
    if (command == "mutex")
        return Mutex(Widen(argv[2]));
    if (command == "hotkey-free")
        return HotKeyFree(argv[2]);
    if (command == "dialog")
        return PrintDialog(Widen(argv[2]));
    if (command == "dialog-ok")
        return PressDialogOk(Widen(argv[2]));
    if (command == "set-desktop" && argc == 4) {
        const std::wstring text = Widen(argv[3]);
        return SetValue(Widen(argv[2]), REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)),
                        HKEY_CURRENT_USER, L"Control Panel\\Desktop");
    }
    if (command == "button-enabled")
        return PromptButtonEnabled(Widen(argv[2]));
    if (command == "signal") {
        const UINT message = RegisterWindowMessageW(L"Zeps01");
        return SendNotifyMessageW(HWND_BROADCAST, message, std::strtoul(argv[2], nullptr, 10), 0) ? 0 : 1;
    }
    if (command == "set-dword" && argc == 4) {
        const DWORD number = static_cast<DWORD>(std::strtoll(argv[3], nullptr, 0));
        return SetValue(Widen(argv[2]), REG_DWORD, &number, sizeof number);
    }
    if (command == "set-sz" && argc == 4) {
        const std::wstring text = Widen(argv[3]);
        return SetValue(Widen(argv[2]), REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    return 2;
}
