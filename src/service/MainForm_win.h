#pragma once
// TMainForm: the lock service's hidden main window. It owns the settings, the hot key and the
// answers to the signal message; the lock session shows it as the lock screen.
#include "common/Accounts.h"
#include "common/Files.h"
#include "common/Registry.h"
#include "common/SystemFacts.h"
#include "common/Window_win.h"
#include "config/Settings.h"

#include <string>

namespace vardex {

// The platform services the lock service works through.
struct ServicePorts {
    Registry& registry;
    SystemFacts& system;
    Accounts& accounts;
    FileSystem& files;
};

class TMainForm final : public Window {
public:
    TMainForm(ServicePorts ports, UINT signalMessage);

    void FormCreate();
    void ActionLoadSettingsExecute();

    const LockServiceSettings& Settings() const noexcept { return settings_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormDestroy() noexcept;
    LRESULT HandleSignal(WPARAM code, UINT message, LPARAM lParam);

    ServicePorts ports_;
    const UINT signalMessage_;
    RegionalFormats regional_;
    std::string programDirectory_;
    std::string helpFile_;
    std::string statisticsLogPath_;
    LockServiceSettings settings_;
    std::string lockActionCaption_;
};

// The directory of the running program, with a trailing backslash.
std::string ProgramDirectory();

}  // namespace vardex
