#pragma once
// What the service control manager does when the guardian fails: it starts it again.

namespace vardex {

// Sets the service's failure actions: started again 1 s after a failure, 1 s after the second,
// 5 s after the third and every later one, the count starting over after a day without one; a
// stop with an error counts as a failure, not only a crash. The guardian sets them on itself at
// every start, as the installer cannot. False when the system refused a part of it.
bool SetRestartOnFailure(const wchar_t* serviceName) noexcept;

}  // namespace vardex
