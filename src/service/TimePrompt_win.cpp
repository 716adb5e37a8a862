#include "TimePrompt_win.h"

#include "UnlockPrompt_win.h"
#include "common/ScopeGuard.h"
#include "win/PromptDialog_win.h"
#include "win/TextConvert_win.h"
#include "resource_ids.h"

#include <commctrl.h>

#include <algorithm>

namespace vardex {

namespace {
// The picker starts half an hour on, at the next quarter.
constexpr std::int32_t kPickerLeadSeconds = 30 * 60;
constexpr std::int32_t kQuarterSeconds = 15 * 60;

SYSTEMTIME PickerStart(LocalMoment now) noexcept
{
    const std::int32_t at = std::min((now.second + kPickerLeadSeconds + kQuarterSeconds - 1) / kQuarterSeconds * kQuarterSeconds,
                                     kSecondsPerDay - 60);
    SYSTEMTIME time{};
    GetLocalTime(&time);  // a valid date for the picker; only the time of day is read back
    time.wHour = static_cast<WORD>(at / 3600);
    time.wMinute = static_cast<WORD>(at / 60 % 60);
    time.wSecond = time.wMilliseconds = 0;
    return time;
}
}  // namespace

TGrantForm::TGrantForm(HWND lockScreen, PromptOrders& orders, LocalMoment now, const Texts& texts)
    : lockScreen_(lockScreen), orders_(orders), now_(now)
{
    SpeakIn(texts);
}

std::optional<TimeRequest> TGrantForm::ShowModal(MessagePump& pump, HWND owner)
{
    const ScopeGuard detach([this] { orders_.Detach(); });
    const INT_PTR result = Dialog::ShowModal(pump, owner, IDD_TIME_GRANT);
    // The lock screen takes the foreground back.
    PostMessageW(lockScreen_, kPromptInputMessage, static_cast<WPARAM>(PromptInput::Closed), 0);
    if (result != IDOK || !request_ || request_->proof.Text().empty())
        return std::nullopt;
    return std::move(request_);
}

bool TGrantForm::OnInitDialog()
{
    openedMs_ = GetTickCount64();
    if (orders_.Attach(Handle()).cancelled)
        Close(IDCANCEL);
    const HWND proof = Item(IDC_GRANT_PROOF);
    SendMessageW(proof, EM_SETLIMITTEXT, kMaxPasswordLength, 0);
    GuardSecretEdit(proof);
    CheckRadioButton(Handle(), IDC_GRANT_15, IDC_GRANT_REST, IDC_GRANT_15);
    DateTime_SetFormat(Item(IDC_GRANT_TIME), L"HH':'mm");
    SYSTEMTIME start = PickerStart(now_);
    DateTime_SetSystemtime(Item(IDC_GRANT_TIME), GDT_VALID, &start);
    // In front of the lock screen, on the monitor with the pointer.
    RECT frame{};
    GetWindowRect(Handle(), &frame);
    const LayoutRect place = CentredIn(PointerWorkArea(), frame.right - frame.left, frame.bottom - frame.top);
    SetWindowPos(Handle(), HWND_TOPMOST, place.left, place.top, 0, 0, SWP_NOSIZE);
    SetForegroundWindow(Handle());
    SetFocus(proof);
    return false;  // the focus is set
}

GrantChoice TGrantForm::Choice() const
{
    if (IsDlgButtonChecked(Handle(), IDC_GRANT_60) == BST_CHECKED)
        return GrantChoice::Of(60);
    if (IsDlgButtonChecked(Handle(), IDC_GRANT_REST) == BST_CHECKED)
        return GrantChoice::RestOfDay();
    if (IsDlgButtonChecked(Handle(), IDC_GRANT_UNTIL) == BST_CHECKED) {
        SYSTEMTIME until{};
        if (DateTime_GetSystemtime(Item(IDC_GRANT_TIME), &until) == GDT_VALID)
            return GrantChoice::Until(until.wHour * 3600 + until.wMinute * 60);
    }
    return GrantChoice::Of(15);
}

bool TGrantForm::OnCommand(int id, int, HWND)
{
    switch (id) {
    case IDOK: {
        // A time of today already past grants nothing: said here, and the form stays.
        const GrantChoice choice = Choice();
        const auto elapsed = static_cast<std::int32_t>((GetTickCount64() - openedMs_) / 1000);
        if (choice.kind == GrantKind::Until && choice.until <= now_.second + elapsed) {
            SetDlgItemTextW(Handle(), IDC_GRANT_LABEL, Widen(Words().Get(TextId::GrantPassed)).c_str());
            SetFocus(Item(IDC_GRANT_TIME));
            return true;
        }
        request_ = TimeRequest{TakeEditText(Item(IDC_GRANT_PROOF)), choice};
        Close(IDOK);
        return true;
    }
    case IDCANCEL:
        TakeEditText(Item(IDC_GRANT_PROOF));
        Close(IDCANCEL);
        return true;
    default: return false;
    }
}

bool TGrantForm::OnNotify(const NMHDR& header, LRESULT&)
{
    // Setting a time chooses "until".
    if (header.idFrom == IDC_GRANT_TIME && header.code == DTN_DATETIMECHANGE)
        CheckRadioButton(Handle(), IDC_GRANT_15, IDC_GRANT_REST, IDC_GRANT_UNTIL);
    return false;
}

bool TGrantForm::PreTranslate(const MSG& msg)
{
    // Every key and click wakes the monitor and restarts the power-save countdown, as on the
    // unlock prompt.
    if (const std::optional<PromptInput> input = InputOfMessage(msg.message))
        PostMessageW(lockScreen_, kPromptInputMessage, static_cast<WPARAM>(*input), 0);
    return false;
}

bool TGrantForm::HandleMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR&)
{
    // Any other window becoming active, or the window thread's cancel, closes it as cancelled.
    if ((message == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE) ||
        (message == kPromptOrderMessage && wParam == static_cast<WPARAM>(PromptOrder::Cancel))) {
        TakeEditText(Item(IDC_GRANT_PROOF));
        Close(IDCANCEL);
    }
    return false;
}

}  // namespace vardex
