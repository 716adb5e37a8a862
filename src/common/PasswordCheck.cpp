#include "PasswordCheck.h"

#include "ScopeGuard.h"
#include "Texts.h"

#include <memory>

namespace vardex {

bool PasswordCheck::AskPassword(const std::string& caption, const std::string& prompt, const std::string& expected)
{
    // A copy for the check, which may run on a thread of its own while a reload changes expected.
    auto stored = std::make_shared<WipedString>(std::string(expected));
    return AskPassword(caption, prompt, [this, stored](std::string_view entry) {
        return VerifyPassword(entry, stored->Text(), crypto_) ? PasswordVerdict{true, {}}
                                                               : PasswordVerdict{false, EnglishText(TextId::MessageIncorrectPassword)};
    });
}

bool PasswordCheck::AskPassword(const std::string& caption, const std::string& prompt, const PasswordVerifier& verify)
{
    if (promptShowing_)
        return false;
    promptShowing_ = true;
    const ScopeGuard done([this] { promptShowing_ = false; });
    std::optional<WipedString> entry = host_.AskMaskedText(caption, prompt);
    if (!entry)
        return false;
    PasswordVerdict verdict;
    host_.RunPasswordCheck([&] {
        verdict = verify(entry->Text());
        entry.reset();  // the typed text goes as soon as it is checked
    });
    if (!verdict.accepted && !verdict.refusal.empty())
        host_.ShowRefusal(verdict.refusal);
    return verdict.accepted;
}

}  // namespace vardex
