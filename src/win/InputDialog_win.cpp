#include "InputDialog_win.h"

#include "OffThread_win.h"
#include "OwnDesktop_win.h"
#include "PromptDialog_win.h"
#include "TextConvert_win.h"

namespace vardex {

bool ShowInputDialog(MessagePump& pump, HWND owner, const std::string& caption, const std::string& prompt,
                     WipedString& value, bool masked, bool acceptUnchanged)
{
    PromptDialog::Options options;
    options.className = L"TInputForm";
    options.caption = caption;
    options.prompt = prompt;
    options.owner = owner;
    options.masked = masked;
    options.text = value.Text();
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
    // On a desktop of our own, where no low-level hook of the user's programs sees the keys, and
    // owned by nothing of the user's desktop; where none can be had, as before on the user's.
    const bool apart = RunOnOwnDesktop(pump_, [&](MessagePump& own) {
        confirmed = ShowInputDialog(own, nullptr, caption, prompt, value, true, false);
    });
    if (!apart)
        confirmed = ShowInputDialog(pump_, owner_, caption, prompt, value, true, false);
    if (!confirmed)
        return std::nullopt;
    return value;
}

void Win32PasswordPromptHost::ShowRefusal(const std::string& text)
{
    MessageBoxW(owner_, Widen(text).c_str(), L"Error", MB_OK | MB_ICONERROR);
}

void Win32PasswordPromptHost::RunPasswordCheck(const std::function<void()>& check)
{
    RunOffThread(pump_, check);
}

}  // namespace vardex
