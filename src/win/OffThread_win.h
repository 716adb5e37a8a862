#pragma once
// Work that takes seconds (a password check) on a worker thread, while the calling thread goes on
// taking its messages through the program's pump, and with them the lock session's guard.
#include "MessagePump_win.h"

#include <functional>

namespace vardex {

// Runs work on a new thread, protected from the user like every thread of the program, and
// dispatches the calling thread's messages until it is done. Returns only once the work has ended,
// also when the program ends meanwhile (what the work uses must outlive it), and throws what the
// work threw. Where no protected thread can be had, the work runs on the calling thread: slower to
// answer, never open to the user.
void RunOffThread(MessagePump& pump, const std::function<void()>& work);

}  // namespace vardex
