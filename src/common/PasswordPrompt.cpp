#include "PasswordPrompt.h"

#include "ScopeGuard.h"

namespace vardex {

bool PasswordCheck::AskPassword(const std::string& caption, const std::string& prompt, const std::string& expected)
{
    if (promptShowing_)
        return false;
    promptShowing_ = true;
    const ScopeGuard done([this] { promptShowing_ = false; });
    std::optional<WipedString> entry = host_.AskMaskedText(caption, prompt);
    if (!entry)
        return false;
    // A copy for the check, which may run on a thread of its own while a reload changes expected.
    const WipedString stored{std::string(expected)};
    bool accepted = false;
    host_.RunPasswordCheck([&] {
        accepted = VerifyPassword(entry->Text(), stored.Text(), crypto_);
        entry.reset();  // the typed text goes as soon as it is checked
    });
    if (!accepted)
        host_.ShowIncorrectPassword();
    return accepted;
}

}  // namespace vardex
