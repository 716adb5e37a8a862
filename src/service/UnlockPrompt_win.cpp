#include "UnlockPrompt_win.h"

#include "common/Application.h"

namespace vardex {

namespace {
constexpr UINT_PTR kWaitTimer = 1;

PromptDialog::Options PromptOptions(HWND lockScreen, bool shutdownAllowed)
{
    PromptDialog::Options options;
    options.className = L"TPwdForm";
    options.caption = kApplicationTitle;
    options.prompt = UnlockPromptLabel(0);
    options.otherPrompts = EveryUnlockPromptLabel();
    // Owned by the lock screen and topmost like it, so that it shows in front of it.
    options.owner = lockScreen;
    options.topmost = true;
    options.masked = true;
    options.buttons = PromptButtons::OkCancelOff;
    options.offEnabled = shutdownAllowed;
    return options;
}

MouseButton ButtonOf(UINT message)
{
    return message == WM_RBUTTONDOWN ? MouseButton::Right : message == WM_MBUTTONDOWN ? MouseButton::Middle
                                                                                         : MouseButton::Left;
}
}  // namespace

TPwdForm::TPwdForm(HWND lockScreen, bool shutdownAllowed, LockSession& session)
    : PromptDialog(PromptOptions(lockScreen, shutdownAllowed)), session_(session)
{
}

void TPwdForm::Inspect(const MSG& msg)
{
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        session_.FormKeyDown();
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        session_.FormMouseDown(ButtonOf(msg.message));
        break;
    case WM_MOUSEMOVE:
        session_.FormMouseMove();
        break;
    default:
        break;
    }
}

void TPwdForm::ShowEntryWait()
{
    const std::int64_t left = session_.EntryWaitMs();
    SetPrompt(UnlockPromptLabel(left));
    SetEntryEnabled(left == 0);
    if (left > 0)
        SetTimer(Handle(), kWaitTimer, static_cast<UINT>((left - 1) % 1000 + 1), nullptr);  // at the next whole second
    else
        KillTimer(Handle(), kWaitTimer);
}

PromptAnswer TPwdForm::ShowModal(MessagePump& pump)
{
    PromptAnswer answer;
    ShowEntryWait();
    const int result = PromptDialog::ShowModal(pump);
    answer.kind = result == IDOK ? PromptAnswer::Kind::Ok
                  : result == kOffButton ? PromptAnswer::Kind::Off
                                         : PromptAnswer::Kind::Cancel;
    // Taken out whatever the result, so that no typed text stays in the edit.
    WipedString text = TakeText();
    if (answer.kind == PromptAnswer::Kind::Ok)
        answer.entry = std::move(text);
    return answer;
}

LRESULT TPwdForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Any other window becoming active closes the prompt as cancelled.
    if (message == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE)
        Close(IDCANCEL);
    if (message == WM_TIMER && wParam == kWaitTimer) {
        ShowEntryWait();
        return 0;
    }
    return PromptDialog::HandleMessage(message, wParam, lParam);
}

}  // namespace vardex
