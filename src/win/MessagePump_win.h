#pragma once
// The one message pump every loop of the program runs through: the main loop and every modal
// loop (prompts, dialogs, the configuration window), so that ending the program ends them all.
// Before a message is dispatched, the pump's filters may take it: the application-wide filter,
// an open dialog's keyboard navigation, a window's accelerators and key preview.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <list>

namespace vardex {

class MessagePump {
public:
    // True when the filter took the message: it is then not dispatched.
    using Filter = std::function<bool(const MSG&)>;

    // A filter for as long as the object lives; the newest filter sees a message first.
    class FilterScope {
    public:
        FilterScope(MessagePump& pump, Filter filter);
        FilterScope(const FilterScope&) = delete;
        FilterScope& operator=(const FilterScope&) = delete;
        ~FilterScope();

    private:
        MessagePump& pump_;
        std::list<Filter>::iterator position_;
    };

    // True once the program was asked to end; every loop stops then. Also read by the program's
    // other threads, whose work ends with it.
    bool Terminated() const noexcept { return terminated_; }
    // Asks the program to end: the main loop and any nested one stop. The only way to end them:
    // a WM_QUIT that another program posts is dropped.
    void Terminate() noexcept;
    // Dispatches every pending message without waiting for new ones.
    void ProcessPendingMessages();
    // Waits until a message arrives, one of the objects (null ones left out) is signalled or the
    // time passes; true when the time passed with none of them.
    bool WaitForMessages(DWORD milliseconds, std::initializer_list<HANDLE> objects = {}) noexcept;
    // Takes one message, waiting for it; false when the program is ending.
    bool GetNext(MSG& msg);
    // Hands a message to the filters and, unless one took it, translates and dispatches it.
    void Dispatch(const MSG& msg);
    // The main message loop.
    void Run();
    // A modal loop: dispatches messages until done() or the program ends; false when it ended.
    bool RunUntil(const std::function<bool()>& done);

    // While a guard is set, every loop that takes messages through the pump runs it at least
    // every kGuardPeriodMs, also while it waits and also when messages never stop coming: the
    // lock session keeps its lock screen in front that way during the unlock prompt too.
    static constexpr DWORD kGuardPeriodMs = 20;
    void SetGuard(std::function<void()> guard) { guard_ = std::move(guard); }
    void ClearGuard() noexcept { guard_ = nullptr; }
    // Runs the guard when it is due; RunGuard runs it now (and it is due again a period later).
    void RunGuardIfDue();
    void RunGuard();

    // The modal loop of window over owner: the owner is disabled for it and enabled again first
    // when it ends, however it ends (so that it takes the activation back); the messages of
    // window and its children go through translate first. False when the program ended it.
    bool RunModal(HWND owner, HWND window, const Filter& translate, const std::function<bool()>& done);

private:
    std::atomic<bool> terminated_ = false;
    std::list<Filter> filters_;
    std::function<void()> guard_;
    std::uint64_t lastGuardRun_ = 0;
};

}  // namespace vardex
