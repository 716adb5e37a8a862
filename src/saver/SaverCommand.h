#pragma once
// What the screen-saver companion does for a command line: the letters "s", "p", "c" and "a"
// anywhere in the first argument, lower-cased, decide it together with whether the lock
// service runs. Whether a lock session runs is the service's to judge: it ignores a lock signal
// during one, and a session mutex held by another program must not stop the lock.
#include <cstdint>
#include <string>
#include <vector>

namespace vardex {

struct SaverActions {
    bool showNotExecuted = false;       // "Vardex is not executed !"
    bool broadcastLock = false;         // the lock signal to every top-level window
    bool showNothingToConfigure = false;  // "Nothing to configure !"
    bool changePassword = false;        // the password-change entry point, with argument 2
    bool operator==(const SaverActions&) const = default;
};

SaverActions DecideSaverActions(const std::vector<std::string>& arguments, bool serviceRunning);

// The window handle of argument 2 as a decimal integer (a leading sign allowed, as the runtime
// reads it); ConversionError "'x' is not a valid integer value" otherwise.
std::int64_t ParseWindowHandleArgument(const std::string& text);

}  // namespace vardex
