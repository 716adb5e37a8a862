#pragma once
// TPwdForm: the unlock prompt, built in code. It keeps no state of the lock session: its input is
// posted to the lock screen, which hands it to the session on the window thread (waking the
// monitor), and the window thread's orders (the wait after wrong entries, a cancel) come to it as
// messages, so that it may run on a thread and a desktop of its own. Losing activation closes it
// as cancelled. While a wait lasts its label counts it down, with the edit and OK disabled.
#include "LockSession.h"
#include "UnlockPrompt.h"
#include "win/PromptDialog_win.h"

#include <optional>

namespace vardex {

// Posted to the lock screen: wParam a PromptInput.
inline constexpr UINT kPromptInputMessage = WM_APP + 3;
// Posted to the prompt: wParam a PromptOrder, lParam the seconds of a wait.
inline constexpr UINT kPromptOrderMessage = WM_APP + 4;

// The input event a key or mouse message is, on the prompt as on the lock screen and its panel;
// none for the other messages.
std::optional<PromptInput> InputOfMessage(UINT message) noexcept;

class TPwdForm final : public PromptDialog {
public:
    // owner: the lock screen when the prompt shows on its desktop, in front of it; none on a
    // desktop of its own.
    // moreTime: a restriction holds, and "More time…" is offered.
    TPwdForm(HWND lockScreen, HWND owner, bool shutdownAllowed, bool moreTime, PromptOrders& orders,
             const Texts& texts = EnglishTexts());

    // Shows the prompt and runs its modal loop through pump until it closes. The typed text
    // leaves the prompt only in the answer of an OK.
    PromptAnswer ShowModal(MessagePump& pump);

protected:
    void Inspect(const MSG& msg) override;
    void FocusChanged() override { Post(PromptInput::FocusChanged); }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Post(PromptInput input) const noexcept;
    void ShowWait(std::int64_t seconds);

    HWND lockScreen_;
    PromptOrders& orders_;
    const Texts& texts_;
};

}  // namespace vardex
