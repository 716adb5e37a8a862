#pragma once
// The lock service's process-wide state: the message pump that every loop of the program uses,
// the exit action and the hidden application window.
#include "common/Window_win.h"

#include <windows.h>

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

private:
    bool terminated_ = false;
};

// The application's hidden top-level window: no taskbar button; it takes the monitor power and
// screen-saver commands that the main window refuses.
class TApplicationWindow final : public Window {
public:
    TApplicationWindow();
};

struct Application {
    MessagePump pump;
    ExitMode exitMode = ExitMode::Normal;
    TApplicationWindow window;
};

}  // namespace vardex
