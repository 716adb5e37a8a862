#pragma once
// The lock service's side of the guardian's pipe. Without a guardian every request fails at once.
#include "guard/GuardProtocol.h"

namespace vardex {

// True when the guardian took the request; holds the caller at most half a second, whatever
// the other end of the pipe does.
bool AskGuardian(const GuardRequest& request) noexcept;

}  // namespace vardex
