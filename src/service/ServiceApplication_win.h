#pragma once
// The lock service's process-wide state: the message pump that every loop of the program uses,
// the route of its reports, the exit action and the hidden application window.
#include "win/ErrorReport_win.h"
#include "win/MessagePump_win.h"
#include "common/Reports.h"
#include "win/Window_win.h"

#include <windows.h>

namespace vardex {

// What happens when the message loop ends: end normally, shut the computer down, or log the
// user off.
enum class ExitMode { Normal = 0, Shutdown = 1, LogOff = 2 };

// The application's hidden top-level window: no taskbar button; it takes the monitor power and
// screen-saver commands that the main window refuses.
class TApplicationWindow final : public Window {
public:
    TApplicationWindow();
};

// The application-wide message filter: minimise and close commands never reach a window.
bool IsMinimiseOrCloseCommand(const MSG& msg) noexcept;

struct Application {
    MessagePump pump;
    MessagePump::FilterScope systemCommands{pump, IsMinimiseOrCloseCommand};
    // Reports are dropped once the program is ending: a box then would only flash.
    MessageBoxReportDisplay reportDisplay{[this] { return pump.Terminated(); }};
    ReportQueue reports{reportDisplay};
    ExitMode exitMode = ExitMode::Normal;
    TApplicationWindow window;
};

}  // namespace vardex
