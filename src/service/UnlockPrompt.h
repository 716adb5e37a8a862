#pragma once
// What passes between the unlock prompt and the lock session when the prompt runs on a thread of
// its own (on a desktop of its own, out of reach of the user's keyboard hooks) while the session's
// state stays on the window thread: the prompt's input, handed to the session there, and the
// window thread's orders to the prompt (the wait to show, a cancel).
#include "LockSession.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

namespace vardex {

// An input event on the prompt, posted to the window thread, or on the lock screen and its panel.
// Closed: the prompt has closed, the entry taken out of it; it no longer holds the foreground.
enum class PromptInput : std::uintptr_t { KeyDown, LeftDown, RightDown, MiddleDown, MouseMove, FocusChanged, Closed };

// The event a posted code names; none for a code no prompt posts (anybody may post one).
std::optional<PromptInput> PromptInputOf(std::uintptr_t code) noexcept;

// Hands an input event to the session: the one way in for the prompt's input and the lock
// screen's own (Closed is the window layer's, not the session's).
void HandPromptInput(LockSession& session, PromptInput input);

enum class PromptOrder : std::uintptr_t { Cancel, ShowWait };

// The window thread's orders to one prompt. They may come before the prompt's window exists, or
// after it is gone: those before are taken when it attaches, those after are dropped.
class PromptOrders {
public:
    // Delivers an order to the attached window (posts it); seconds only for ShowWait.
    using Send = std::function<void(void* window, PromptOrder order, std::int64_t seconds)>;

    explicit PromptOrders(Send send) : send_(std::move(send)) {}

    // The window thread's side.
    void Cancel();
    // The wait left before the next entry is taken, in ms; sent only when the whole seconds the
    // label shows change.
    void ShowWait(std::int64_t waitLeftMs);

    // The prompt thread's side: what was ordered before the window was there.
    struct Start {
        bool cancelled = false;
        std::int64_t waitSeconds = 0;
    };
    Start Attach(void* window);
    void Detach();

private:
    std::mutex mutex_;
    Send send_;
    void* window_ = nullptr;
    bool cancelled_ = false;
    std::int64_t waitSeconds_ = 0;
};

}  // namespace vardex
