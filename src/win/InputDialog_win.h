#pragma once
// The one-line input dialog built in code, and the administrator password prompt on it.
#include "MessagePump_win.h"
#include "common/PasswordCheck.h"
#include "common/Texts.h"
#include "common/WipedString.h"

#include <windows.h>

#include <memory>
#include <string>

namespace vardex {

// Shows the dialog modally, owned by owner. True when it was confirmed with OK and either
// acceptUnchanged is set or the text was edited; the value then takes the text. False for
// Cancel, Esc, the close box, the end of the program, or OK on an unedited text without
// acceptUnchanged; the value is then left as it was.
bool ShowInputDialog(MessagePump& pump, HWND owner, const std::string& caption, const std::string& prompt,
                     WipedString& value, bool masked, bool acceptUnchanged, const Texts& texts);

// The password check's windows: the masked input dialog, on a desktop of its own where one can be
// had, and the "Incorrect Password" message.
class Win32PasswordPromptHost final : public PasswordPromptHost {
public:
    Win32PasswordPromptHost(MessagePump& pump, HWND owner) : pump_(pump), owner_(owner) {}
    // The language of the prompt and of the refusals, which come in English.
    void SpeakIn(std::shared_ptr<const Texts> texts) noexcept { texts_ = std::move(texts); }
    std::optional<WipedString> AskMaskedText(const std::string& caption, const std::string& prompt) override;
    void ShowRefusal(const std::string& text) override;
    void RunPasswordCheck(const std::function<void()>& check) override;

private:
    MessagePump& pump_;
    HWND owner_;
    std::shared_ptr<const Texts> texts_ = std::make_shared<const Texts>();
};

}  // namespace vardex
