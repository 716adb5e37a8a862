#include "UnlockPrompt.h"

namespace vardex {

std::optional<PromptInput> PromptInputOf(std::uintptr_t code) noexcept
{
    if (code > static_cast<std::uintptr_t>(PromptInput::Closed))
        return std::nullopt;
    return static_cast<PromptInput>(code);
}

void HandPromptInput(LockSession& session, PromptInput input)
{
    switch (input) {
    case PromptInput::KeyDown: session.FormKeyDown(); break;
    case PromptInput::LeftDown: session.FormMouseDown(MouseButton::Left); break;
    case PromptInput::RightDown: session.FormMouseDown(MouseButton::Right); break;
    case PromptInput::MiddleDown: session.FormMouseDown(MouseButton::Middle); break;
    case PromptInput::MouseMove: session.FormMouseMove(); break;
    case PromptInput::FocusChanged: session.ActiveControlChanged(); break;
    case PromptInput::Closed: break;
    }
}

void PromptOrders::Cancel()
{
    // Sent under the lock: once Detach has returned, nothing reaches the window any more.
    const std::lock_guard lock(mutex_);
    if (cancelled_)
        return;
    cancelled_ = true;
    if (window_)
        send_(window_, PromptOrder::Cancel, 0);
}

void PromptOrders::ShowWait(std::int64_t waitLeftMs)
{
    const std::int64_t seconds = waitLeftMs > 0 ? (waitLeftMs + 999) / 1000 : 0;
    const std::lock_guard lock(mutex_);
    if (seconds == waitSeconds_)
        return;
    waitSeconds_ = seconds;
    if (window_)
        send_(window_, PromptOrder::ShowWait, seconds);
}

PromptOrders::Start PromptOrders::Attach(void* window)
{
    const std::lock_guard lock(mutex_);
    window_ = window;
    return {cancelled_, waitSeconds_};
}

void PromptOrders::Detach()
{
    const std::lock_guard lock(mutex_);
    window_ = nullptr;
}

}  // namespace vardex
