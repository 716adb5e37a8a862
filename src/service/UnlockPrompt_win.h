#pragma once
// TPwdForm: the unlock prompt, built in code. Its input is also handed to the lock screen's
// handlers (waking the monitor); losing activation closes it as cancelled.
#include "Application_win.h"
#include "LockSession.h"
#include "common/UniqueHandle_win.h"
#include "common/Window_win.h"

namespace vardex {

class TPwdForm final : public Window {
public:
    TPwdForm(HWND lockScreen, bool shutdownAllowed, LockSession& session);
    ~TPwdForm() override;

    // Shows the prompt in front of the lock screen and runs its modal loop until it closes.
    PromptAnswer ShowModal(MessagePump& pump);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateControls(bool shutdownAllowed);
    void RouteToLockScreen(const MSG& msg);
    WipedString TakeEntry();
    void Close(PromptAnswer::Kind result) noexcept;

    HWND lockScreen_;
    LockSession& session_;
    UniqueFont font_;
    HWND edit_ = nullptr;
    bool closed_ = false;
    PromptAnswer::Kind result_ = PromptAnswer::Kind::Cancel;
};

}  // namespace vardex
