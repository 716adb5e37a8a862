#pragma once
// The lock service's process-wide state: the message pump that every loop of the program uses,
// the route of its reports, the exit action and the hidden application window.
#include "common/ErrorReport_win.h"
#include "common/Reports.h"
#include "common/Window_win.h"

#include <windows.h>

#include <cstdint>
#include <functional>

namespace vardex {

// What happens when the message loop ends: end normally, or shut the computer down.
enum class ExitMode { Normal = 0, Shutdown = 1 };

class MessagePump {
public:
    // True once the program was asked to end; every loop stops then.
    bool Terminated() const noexcept { return terminated_; }
    // Asks the program to end: the main loop and any nested one stop.
    void Terminate() noexcept;
    // Dispatches every pending message without waiting for new ones.
    void ProcessPendingMessages();
    // Waits until a message arrives or the time passes.
    void WaitForMessages(DWORD milliseconds) noexcept;
    // Takes one message, waiting for it; false when the program is ending.
    bool GetNext(MSG& msg);
    // Translates and dispatches a message unless the application-wide filter drops it.
    static void Dispatch(const MSG& msg);
    // The main message loop.
    void Run();

    // While a guard is set, every loop that takes messages through the pump runs it at least
    // every kGuardPeriodMs, also while it waits and also when messages never stop coming: the
    // lock session keeps its lock screen in front that way during the unlock prompt too.
    static constexpr DWORD kGuardPeriodMs = 20;
    void SetGuard(std::function<void()> guard) { guard_ = std::move(guard); }
    void ClearGuard() noexcept { guard_ = nullptr; }
    // Runs the guard when it is due.
    void RunGuardIfDue();

private:
    bool terminated_ = false;
    std::function<void()> guard_;
    std::uint64_t lastGuardRun_ = 0;
};

// The application's hidden top-level window: no taskbar button; it takes the monitor power and
// screen-saver commands that the main window refuses.
class TApplicationWindow final : public Window {
public:
    TApplicationWindow();
};

struct Application {
    MessagePump pump;
    // Reports are dropped once the program is ending: a box then would only flash.
    MessageBoxReportDisplay reportDisplay{[this] { return pump.Terminated(); }};
    ReportQueue reports{reportDisplay};
    ExitMode exitMode = ExitMode::Normal;
    TApplicationWindow window;
};

}  // namespace vardex
