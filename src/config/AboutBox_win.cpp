#include "AboutBox_win.h"

#include "win/Controls_win.h"
#include "win/Dialog_win.h"
#include "win/Dpi_win.h"
#include "win/TextConvert_win.h"
#include "win/UniqueHandle_win.h"
#include "config_ids.h"
#include "resource_ids.h"

#include <string>
#include <vector>

namespace vardex {

namespace {
// "a.b.c" from the program file's version information; empty when there is none.
std::string ProgramVersion()
{
    wchar_t path[MAX_PATH];
    if (!GetModuleFileNameW(nullptr, path, MAX_PATH))
        return {};
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    std::vector<BYTE> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoW(path, 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info)
        return {};
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(info->dwFileVersionLS));
}

class AboutBox final : public Dialog {
protected:
    bool OnInitDialog() override
    {
        const int size = ScaleForDpi(32, WindowDpi(Handle()));
        icon_.Reset(LoadIconAt(IDI_VARDEX_TRAY, size));
        SendDlgItemMessageW(Handle(), IDC_ABOUT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon_.Get()), 0);
        if (const std::string version = ProgramVersion(); !version.empty())
            SetDlgItemTextW(Handle(), IDC_ABOUT_VERSION, Widen(Words().Format(TextId::AboutVersion, {version})).c_str());
        return true;
    }
    bool OnCommand(int id, int, HWND) override
    {
        if (id != IDOK && id != IDCANCEL)
            return false;
        Close(id);
        return true;
    }

private:
    UniqueIcon icon_;
};
}  // namespace

void ShowAboutBox(MessagePump& pump, HWND owner, const Texts& texts)
{
    AboutBox box;
    box.SpeakIn(texts);
    box.ShowModal(pump, owner, IDD_ABOUT);
}

}  // namespace vardex
