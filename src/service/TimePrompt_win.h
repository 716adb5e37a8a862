#pragma once
// TGrantForm: "More time…" at the lock. The administrator types the password, or the 6-digit code
// of an authenticator app, and picks how much: +15 minutes, +1 hour, until a time, or the rest of
// today. Like the unlock prompt it keeps no state of the session: its input is posted to the
// lock screen, the window thread's cancel comes as an order, and losing activation cancels it.
#include "LockSession.h"
#include "UnlockPrompt.h"
#include "win/Dialog_win.h"

#include <optional>

namespace vardex {

class TGrantForm final : public Dialog {
public:
    // now: the trusted time of the lock, which the time picker starts from.
    TGrantForm(HWND lockScreen, PromptOrders& orders, LocalMoment now, const Texts& texts = EnglishTexts());

    // Shows the form (owned by owner, none on a desktop of its own) and runs its modal loop
    // through pump; the proof and the choice when confirmed with something typed.
    std::optional<TimeRequest> ShowModal(MessagePump& pump, HWND owner);

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    bool PreTranslate(const MSG& msg) override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    GrantChoice Choice() const;

    HWND lockScreen_;
    PromptOrders& orders_;
    LocalMoment now_;
    ULONGLONG openedMs_ = 0;
    std::optional<TimeRequest> request_;
};

}  // namespace vardex
