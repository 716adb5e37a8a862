#include "SystemPage_win.h"

#include "common/HotKey.h"
#include "win/Controls_win.h"
#include "win/TextConvert_win.h"

namespace vardex {

namespace {
namespace N = SettingNames;

// The check boxes and the values they stand for.
constexpr std::pair<int, const char*> kChecks[] = {{IDC_VARDEX_STARTUP, N::LockAtStartup},
                                                   {IDC_SHUTDOWN_BUTTON, N::ShutdownAllowed},
                                                   {IDC_SCREEN_SAVER, N::ScreenSaverMode},
                                                   {IDC_DISABLE_BOOT_KEYS, N::BootKeysDisabled},
                                                   {IDC_USER_VALIDATION, N::UserValidation}};
// The power-save items in order: PMPM is the item's index - 1.
constexpr int kPowerItems[] = {IDC_POWER_NONE, IDC_POWER_BLANK, IDC_POWER_SUSPEND, IDC_POWER_OFF};
constexpr COLORREF kWarningColour = RGB(128, 0, 128);
}  // namespace

bool SystemPage::OnInitDialog()
{
    adminPassword_.emplace(Item(IDC_PASSWORD1), Item(IDC_PASSWORD2), filling_);
    timeout_.emplace(Handle(), IDC_TIMEOUT, IDC_TIMEOUT_SPIN, FindSetting(N::PowerSaveTimeout), filling_);
    AddTooltip(Handle(), Item(IDC_USER_VALIDATION), Widen(Words().Get(TextId::SystemUserValidationTip)).c_str());
    if (!windows_.BootFileExists())
        AddTooltip(Handle(), Item(IDC_DISABLE_BOOT_KEYS), Widen(Words().Get(TextId::SystemNoBootFileTip)).c_str());
    return true;
}

void SystemPage::Fill()
{
    const FillingScope filling(filling_);
    for (const auto& [id, name] : kChecks)
        SetChecked(Handle(), id, std::get<bool>(model_.Global(name)));
    const std::int32_t mode = std::get<std::int32_t>(model_.Global(N::PowerSaveMode));
    // A mode the window does not know shows as the default, Blank Screen.
    const int item = mode >= -1 && mode <= 2 ? mode + 1 : 1;
    CheckRadioButton(Handle(), IDC_POWER_NONE, IDC_POWER_OFF, kPowerItems[item]);
    model_.SetGlobal(N::PowerSaveMode, item - 1);
    model_.SetGlobal(N::PowerSaveTimeout, timeout_->Show(std::get<std::int32_t>(model_.Global(N::PowerSaveTimeout))));
    lastHotKey_ = HotKeyFieldFromShortcut(static_cast<std::uint16_t>(std::get<std::int32_t>(model_.Global(N::HotKey))));
    SendDlgItemMessageW(Handle(), IDC_HOTKEY, HKM_SETHOTKEY, lastHotKey_, 0);
    adminPassword_->Fill(model_.AdminPassword());
}

void SystemPage::KeyReleased()
{
    const auto value = static_cast<WORD>(SendDlgItemMessageW(Handle(), IDC_HOTKEY, HKM_GETHOTKEY, 0, 0));
    if (value == lastHotKey_)
        return;
    lastHotKey_ = value;
    model_.SetGlobal(N::HotKey, std::int32_t{ShortcutFromHotKeyField(value)});
    DataChange();
}

bool SystemPage::MayLeave()
{
    return adminPassword_->Confirmed(Words().Get(TextId::PairAdmin), Words());
}

bool SystemPage::OnCommand(int id, int code, HWND)
{
    for (const auto& [checkId, name] : kChecks)
        if (id == checkId) {
            model_.SetGlobal(name, IsChecked(Handle(), id));
            DataChange();
            return true;
        }
    for (int item = 0; item < 4; ++item)
        if (id == kPowerItems[item]) {
            if (code == BN_CLICKED && IsChecked(Handle(), id)) {
                model_.SetGlobal(N::PowerSaveMode, item - 1);
                DataChange();
            }
            return true;
        }
    switch (id) {
    case IDC_TIMEOUT:
        if (const std::optional<std::int32_t> timeout =
                timeout_->Notified(code, std::get<std::int32_t>(model_.Global(N::PowerSaveTimeout)))) {
            model_.SetGlobal(N::PowerSaveTimeout, *timeout);
            DataChange();
        }
        return true;
    case IDC_GRANT_CODES:
        if (code == BN_CLICKED)
            grantCodes_.Show(GetAncestor(Handle(), GA_ROOT), Words());
        return true;
    case IDC_PASSWORD1:
    case IDC_PASSWORD2:
        if (adminPassword_->Notified(code, model_.AdminPassword()))
            DataChange();
        return true;
    default: return false;
    }
}

bool SystemPage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    // "Network user validation" in purple: it can lock everybody out.
    if (message != WM_CTLCOLORSTATIC || reinterpret_cast<HWND>(lParam) != Item(IDC_USER_VALIDATION))
        return false;
    const auto dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, kWarningColour);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    result = reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    return true;
}

}  // namespace vardex
