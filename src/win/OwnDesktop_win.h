#pragma once
// Input that no program on the user's desktop sees: a desktop of the program's own, made for one
// piece of work (a prompt for the administrator password) and shown while it runs, as the
// system's own credential prompt does. Low-level keyboard hooks see only the input of their own
// desktop, and the desktop's access list and high mandatory label keep the user's programs from
// opening it to hook it, to switch to it or to read its windows.
#include "MessagePump_win.h"

#include <functional>

namespace vardex {

// Makes a desktop of a random name, switches to it and runs work on a new protected thread that
// belongs to it, with a message pump of that thread's own; switches back to the caller's desktop
// when the work ends, also when it throws, and closes the desktop. Meanwhile the calling thread
// goes on taking its messages through pump, as with RunOffThread. The work's pump ends (and with
// it the work's loops) once pump is terminated, and once the input desktop is no longer the one
// that the switch showed: another program switched away, and the person no longer sees what they
// type into. Rethrows what the work threw. False when no such desktop could be made, entered or
// shown: the work did not run, and the caller does without (the reason goes to the debugger's
// output only).
bool RunOnOwnDesktop(MessagePump& pump, const std::function<void(MessagePump&)>& work);

}  // namespace vardex
