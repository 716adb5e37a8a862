#include "UnlockPrompt_win.h"

#include "common/Application.h"
#include "common/ScopeGuard.h"

namespace vardex {

namespace {
PromptDialog::Options PromptOptions(HWND owner, bool shutdownAllowed, bool moreTime, const Texts& texts)
{
    PromptDialog::Options options;
    options.className = L"TPwdForm";
    options.caption = kApplicationTitle;
    options.prompt = UnlockPromptLabel(0, texts);
    options.otherPrompts = EveryUnlockPromptLabel(texts);
    options.ok = texts.Get(TextId::ButtonOk);
    options.cancel = texts.Get(TextId::ButtonCancel);
    options.off = texts.Get(TextId::ButtonOff);
    options.moreTime = texts.Get(TextId::ButtonMoreTime);
    options.capsLock = texts.Get(TextId::PromptCapsLock);
    options.passwordName = texts.Get(TextId::WordPassword);
    options.keyboardLayoutName = texts.Get(TextId::PromptKeyboardLayout);
    // Topmost, so that it shows in front of the lock screen that owns it (and, where every
    // desktop shows on one screen, in front of the lock screen of the other desktop).
    options.owner = owner;
    options.topmost = true;
    options.masked = true;
    options.buttons = moreTime ? PromptButtons::OkCancelOffMore : PromptButtons::OkCancelOff;
    options.offEnabled = shutdownAllowed;
    return options;
}
}  // namespace

std::optional<PromptInput> InputOfMessage(UINT message) noexcept
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: return PromptInput::KeyDown;
    case WM_LBUTTONDOWN: return PromptInput::LeftDown;
    case WM_RBUTTONDOWN: return PromptInput::RightDown;
    case WM_MBUTTONDOWN: return PromptInput::MiddleDown;
    case WM_MOUSEMOVE: return PromptInput::MouseMove;
    default: return std::nullopt;
    }
}

TPwdForm::TPwdForm(HWND lockScreen, HWND owner, bool shutdownAllowed, bool moreTime, PromptOrders& orders,
                   const Texts& texts)
    : PromptDialog(PromptOptions(owner, shutdownAllowed, moreTime, texts)), lockScreen_(lockScreen), orders_(orders),
      texts_(texts)
{
}

void TPwdForm::Post(PromptInput input) const noexcept
{
    PostMessageW(lockScreen_, kPromptInputMessage, static_cast<WPARAM>(input), 0);
}

void TPwdForm::Inspect(const MSG& msg)
{
    if (const std::optional<PromptInput> input = InputOfMessage(msg.message))
        Post(*input);
}

void TPwdForm::ShowWait(std::int64_t seconds)
{
    SetPrompt(UnlockPromptLabel(seconds * 1000, texts_));
    SetEntryEnabled(seconds == 0);
}

PromptAnswer TPwdForm::ShowModal(MessagePump& pump)
{
    PromptAnswer answer;
    const PromptOrders::Start start = orders_.Attach(Handle());
    const ScopeGuard detach([this] { orders_.Detach(); });
    if (start.cancelled)
        return answer;
    ShowWait(start.waitSeconds);
    const int result = PromptDialog::ShowModal(pump);
    answer.kind = result == IDOK               ? PromptAnswer::Kind::Ok
                  : result == kOffButton      ? PromptAnswer::Kind::Off
                  : result == kMoreTimeButton ? PromptAnswer::Kind::MoreTime
                                              : PromptAnswer::Kind::Cancel;
    // Taken out whatever the result, so that no typed text stays in the edit.
    WipedString text = TakeText();
    if (answer.kind == PromptAnswer::Kind::Ok)
        answer.entry = std::move(text);
    // Before the window goes, which may take a while: the lock screen takes the foreground back.
    Post(PromptInput::Closed);
    return answer;
}

LRESULT TPwdForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Any other window becoming active closes the prompt as cancelled.
    if (message == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE)
        Close(IDCANCEL);
    if (message == kPromptOrderMessage) {
        // Only the window thread's orders come here: the prompt's desktop is closed to the user's
        // programs, and where the prompt shares the lock screen's, a posted cancel does no more
        // than taking the foreground does.
        if (wParam == static_cast<WPARAM>(PromptOrder::Cancel))
            Close(IDCANCEL);
        else if (wParam == static_cast<WPARAM>(PromptOrder::ShowWait) && lParam >= 0 &&
                 lParam <= kLongestEntryDelayMs / 1000)
            ShowWait(lParam);
        return 0;
    }
    return PromptDialog::HandleMessage(message, wParam, lParam);
}

}  // namespace vardex
