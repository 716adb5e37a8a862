#pragma once
// "Vardex system and security settings": the machine-wide options, the monitor's power saving,
// the lock hot key and the administrator password; and the two settings of Windows itself (the
// boot keys, network logon validation) through WindowsIntegration.
#include "ConfigPages_win.h"
#include "MsdosSys.h"

namespace vardex {

class SystemPage final : public ConfigPage {
public:
    SystemPage(ConfigModel& model, std::function<void()> onChange, const WindowsIntegration& windows)
        : ConfigPage(model, std::move(onChange)), windows_(windows)
    {
    }
    void Fill() override;
    // A key was released somewhere in the window: the hot-key field reports no change of its
    // own, so its value is compared with the one last seen.
    void CheckHotKeyChange();
    bool PasswordsConfirmed() override;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    const WindowsIntegration& windows_;
    std::optional<PasswordPairFields> adminPassword_;
    WORD lastHotKey_ = 0;
};

}  // namespace vardex
