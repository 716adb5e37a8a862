#pragma once
// "Vardex system and security settings": the machine-wide options, the monitor's power saving,
// the lock hot key and the administrator password; and the two settings of Windows itself (the
// boot keys, network logon validation) through WindowsIntegration; and the one-time codes' grant.
#include "ConfigFields_win.h"
#include "ConfigPage_win.h"
#include "GrantCodes_win.h"
#include "MsdosSys.h"

#include <optional>

namespace vardex {

class SystemPage final : public ConfigPage {
public:
    SystemPage(ConfigModel& model, std::function<void()> onChange, const WindowsIntegration& windows,
               MessagePump& pump, CodeSecretSource codeSecret)
        : ConfigPage(model, std::move(onChange)), windows_(windows), grantCodes_(pump, std::move(codeSecret))
    {
    }
    void Fill() override;
    // The password fields show the mark of a kept password again, not what was typed.
    void Saved() override { Fill(); }
    bool MayLeave() override;
    // The hot-key field reports no change of its own: its value is compared with the one last
    // seen whenever a key is released.
    void KeyReleased() override;
    void Suspended() noexcept override { grantCodes_.Dismiss(); }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    const WindowsIntegration& windows_;
    GrantCodes grantCodes_;
    std::optional<PasswordPairFields> adminPassword_;
    std::optional<NumberField> timeout_;
    WORD lastHotKey_ = 0;
};

}  // namespace vardex
