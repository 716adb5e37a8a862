#pragma once
// Names that screen readers read for windows in place of the ones the system makes up for them
// (a control's name is otherwise its text, or the text of a label just before it), given through
// the system's annotation service. Where that service is missing (Wine has only a stub of it),
// the windows keep the system's names: naming is never more than a help.
#include <windows.h>

#include <oleacc.h>

#include <string>
#include <vector>

namespace vardex {

class AccessibleNames {
public:
    AccessibleNames() = default;
    AccessibleNames(const AccessibleNames&) = delete;
    AccessibleNames& operator=(const AccessibleNames&) = delete;
    // The names go with it, while their windows still exist.
    ~AccessibleNames();

    // Names window, on the thread that made it; false where the service took no name.
    bool Name(HWND window, const std::wstring& name) noexcept;

private:
    bool started_ = false;     // the service looked for (once)
    bool comStarted_ = false;  // COM started here, to be ended here
    IAccPropServices* service_ = nullptr;
    std::vector<HWND> named_;
};

}  // namespace vardex
