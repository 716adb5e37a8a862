#include "Application_win.h"

#include "common/Application.h"
#include "common/TextConvert_win.h"

namespace vardex {

namespace {
// The application-wide message filter: minimise and close commands never reach a window.
bool IsFilteredOut(const MSG& msg)
{
    return msg.message == WM_SYSCOMMAND && (msg.wParam == SC_MINIMIZE || msg.wParam == SC_CLOSE);
}
}  // namespace

void MessagePump::Terminate() noexcept
{
    if (!terminated_)
        PostQuitMessage(0);
    terminated_ = true;
}

void MessagePump::Dispatch(const MSG& msg)
{
    if (IsFilteredOut(msg))
        return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void MessagePump::RunGuardIfDue()
{
    if (!guard_)
        return;
    const std::uint64_t now = GetTickCount64();
    if (now - lastGuardRun_ < kGuardPeriodMs)
        return;
    lastGuardRun_ = now;
    guard_();
}

void MessagePump::ProcessPendingMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            // Put back for a loop of the system's further out (a message box), which ends on it.
            PostQuitMessage(0);
            break;
        }
        Dispatch(msg);
        RunGuardIfDue();
    }
}

void MessagePump::WaitForMessages(DWORD milliseconds) noexcept
{
    MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

bool MessagePump::GetNext(MSG& msg)
{
    for (;;) {
        if (terminated_)
            return false;
        RunGuardIfDue();
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                terminated_ = true;
                return false;
            }
            return true;
        }
        WaitForMessages(guard_ ? kGuardPeriodMs : INFINITE);
    }
}

void MessagePump::Run()
{
    MSG msg;
    while (GetNext(msg))
        Dispatch(msg);
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
