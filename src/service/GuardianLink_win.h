#pragma once
// The lock service's side of the guardian's pipe. Without a guardian every request fails at once.
#include "guard/GuardProtocol.h"

namespace vardex {

// True when the guardian took the request; waits at most half a second for it.
bool AskGuardian(const GuardRequest& request) noexcept;

}  // namespace vardex
