#include "InputDialog_win.h"

#include "OffThread_win.h"
#include "OwnDesktop_win.h"
#include "PromptDialog_win.h"
#include "TextConvert_win.h"

namespace vardex {

bool ShowInputDialog(MessagePump& pump, HWND owner, const std::string& caption, const std::string& prompt,
                     WipedString& value, bool masked, bool acceptUnchanged, const Texts& texts)
{
    PromptDialog::Options options;
    options.className = L"TInputForm";
    options.caption = caption;
    options.prompt = prompt;
    options.owner = owner;
    options.masked = masked;
    options.text = value.Text();
    options.ok = texts.Get(TextId::ButtonOk);
    options.cancel = texts.Get(TextId::ButtonCancel);
    options.capsLock = texts.Get(TextId::PromptCapsLock);
    options.passwordName = texts.Get(TextId::WordPassword);
    options.keyboardLayoutName = texts.Get(TextId::PromptKeyboardLayout);
    PromptDialog dialog(options);
    WipeText(options.text);
    const bool confirmed = dialog.ShowModal(pump) == IDOK && (acceptUnchanged || dialog.Edited());
    WipedString text = dialog.TakeText();
    if (confirmed)
        value = std::move(text);
    return confirmed;
}

std::optional<WipedString> Win32PasswordPromptHost::AskMaskedText(const std::string& caption, const std::string& prompt)
{
    WipedString value;
    bool confirmed = false;
    const Texts& texts = *texts_;
    const std::string words = texts.TranslateMessage(prompt);
    // On a desktop of our own, where no low-level hook of the user's programs sees the keys, and
    // owned by nothing of the user's desktop; where none can be had, as before on the user's.
    const bool apart = RunOnOwnDesktop(pump_, [&](MessagePump& own) {
        confirmed = ShowInputDialog(own, nullptr, caption, words, value, true, false, texts);
    });
    if (!apart)
        confirmed = ShowInputDialog(pump_, owner_, caption, words, value, true, false, texts);
    if (!confirmed)
        return std::nullopt;
    return value;
}

void Win32PasswordPromptHost::ShowRefusal(const std::string& text)
{
    const std::wstring caption = Widen(texts_->Get(TextId::BoxError));
    MessageBoxW(owner_, Widen(texts_->TranslateMessage(text)).c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
}

void Win32PasswordPromptHost::RunPasswordCheck(const std::function<void()>& check)
{
    RunOffThread(pump_, check);
}

}  // namespace vardex
