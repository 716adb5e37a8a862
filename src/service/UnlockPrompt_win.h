#pragma once
// TPwdForm: the unlock prompt, built in code. Its input is also handed to the lock screen's
// handlers (waking the monitor); losing activation closes it as cancelled. After wrong entries it
// counts the wait down in its label, with the edit and OK disabled until the wait is over.
#include "LockSession.h"
#include "common/PromptDialog_win.h"

namespace vardex {

class TPwdForm final : public PromptDialog {
public:
    TPwdForm(HWND lockScreen, bool shutdownAllowed, LockSession& session);

    // Shows the prompt in front of the lock screen and runs its modal loop until it closes.
    PromptAnswer ShowModal(MessagePump& pump);

protected:
    void Inspect(const MSG& msg) override;
    void FocusChanged() override { session_.ActiveControlChanged(); }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // The label and the edit for the wait left, and a timer for the next second of it.
    void ShowEntryWait();

    LockSession& session_;
};

}  // namespace vardex
