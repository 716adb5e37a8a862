#include "ServiceApplication_win.h"

#include "common/Application.h"
#include "win/TextConvert_win.h"

namespace vardex {

bool IsMinimiseOrCloseCommand(const MSG& msg) noexcept
{
    return msg.message == WM_SYSCOMMAND && (msg.wParam == SC_MINIMIZE || msg.wParam == SC_CLOSE);
}

TApplicationWindow::TApplicationWindow()
{
    const std::wstring title = Widen(kApplicationTitle);
    CreateParams params;
    params.className = L"TApplication";
    params.title = title.c_str();
    params.style = WS_POPUP;
    Create(params);
    SetWindowLongPtrW(Handle(), GWL_EXSTYLE, GetWindowLongPtrW(Handle(), GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
}

}  // namespace vardex
