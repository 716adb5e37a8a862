#include "ConfigFields_win.h"

#include "common/ScopeGuard.h"
#include "rules/WeekRules.h"
#include "win/TextConvert_win.h"

#include <algorithm>

namespace vardex {

namespace {
// What the fields of a kept password hold: characters nobody types (a private-use code point).
const std::wstring kKeptPassword(8, L'\uE000');
}  // namespace

PasswordPairFields::PasswordPairFields(HWND password, HWND confirm, const FillingState& filling)
    : password_(password), confirm_(confirm), filling_(filling)
{
    for (HWND field : {password_, confirm_}) {
        SendMessageW(field, EM_SETLIMITTEXT, kMaxPasswordLength, 0);
        SendMessageW(field, EM_SETPASSWORDCHAR, L'*', 0);
    }
}

void PasswordPairFields::Fill(const PasswordEdit& edit)
{
    const wchar_t* text = edit.IsSet() ? kKeptPassword.c_str() : L"";
    SetWindowTextW(password_, text);
    SetWindowTextW(confirm_, text);
    counter_ = 0;
}

bool PasswordPairFields::Notified(int code, PasswordEdit& edit)
{
    if (code == EN_KILLFOCUS)
        Check();
    if (code != EN_CHANGE || filling_.Active())
        return false;
    StoreTo(edit);
    return true;
}

void PasswordPairFields::Check()
{
    if (refusing_)
        return;
    std::wstring password = WindowText(password_), confirm = WindowText(confirm_);
    const PasswordPairResult result = CheckPasswordPair(Narrow(password), Narrow(confirm), counter_);
    WipeText(password);
    WipeText(confirm);
    if (result.clearPassword)
        SetWindowTextW(password_, L"");
    if (result.clearConfirm)
        SetWindowTextW(confirm_, L"");
    if (result.focus != PasswordPairResult::Focus::None)
        SetFocus(result.focus == PasswordPairResult::Focus::Password ? password_ : confirm_);
}

bool PasswordPairFields::Confirmed(const std::string& subject, const Texts& texts)
{
    std::wstring password = WindowText(password_), confirm = WindowText(confirm_);
    const std::optional<UnconfirmedPair> refusal = UnconfirmedPasswordPair(Narrow(password), Narrow(confirm), subject, texts);
    WipeText(password);
    WipeText(confirm);
    if (!refusal)
        return true;
    refusing_ = true;
    const ScopeGuard refused([this] { refusing_ = false; });
    MessageBoxW(GetAncestor(password_, GA_ROOT), Widen(refusal->message).c_str(), Widen(texts.Get(TextId::BoxError)).c_str(),
                MB_OK | MB_ICONEXCLAMATION);
    HWND field = refusal->focus == PasswordPairResult::Focus::Confirm ? confirm_ : password_;
    SetFocus(field);
    SendMessageW(field, EM_SETSEL, 0, -1);
    return false;
}

void PasswordPairFields::StoreTo(PasswordEdit& edit) const
{
    std::wstring password = WindowText(password_);
    if (password == kKeptPassword)
        edit.Keep();
    else if (password.empty())
        edit.Remove();
    else
        edit.Replace(WipedString(Narrow(password)));  // as typed, blanks kept
    WipeText(password);
}

NumberField::NumberField(HWND dialog, int id, int spinId, const SettingDefinition& setting, const FillingState& filling)
    : dialog_(dialog), id_(id), low_(setting.low), high_(setting.high), filling_(filling)
{
    SendDlgItemMessageW(dialog_, spinId, UDM_SETRANGE32, static_cast<WPARAM>(low_), static_cast<LPARAM>(high_));
}

std::int32_t NumberField::Show(std::int32_t value) const
{
    const std::int32_t shown = std::clamp(value, low_, high_);
    SetDlgItemInt(dialog_, id_, static_cast<UINT>(shown), FALSE);
    return shown;
}

std::optional<std::int32_t> NumberField::Notified(int code, std::int32_t current) const
{
    const std::wstring text = ItemText(dialog_, id_);
    const std::int32_t number = BoundedNumber(Narrow(text), low_, high_, low_);
    if (code == EN_KILLFOCUS && text != std::to_wstring(number))
        SetDlgItemInt(dialog_, id_, static_cast<UINT>(number), FALSE);  // to the nearest limit
    if (code != EN_CHANGE || filling_.Active() || number == current)
        return std::nullopt;
    return number;
}

void HoursMinutesField::Show(std::int32_t minutes)
{
    shown_ = std::clamp(minutes, 0, most_);
    SetWindowTextW(edit_, Widen(HoursMinutesText(shown_)).c_str());
}

std::optional<std::int32_t> HoursMinutesField::Notified(int code)
{
    if (code != EN_KILLFOCUS || filling_.Active())
        return std::nullopt;
    const std::optional<std::int32_t> typed = ParseHoursMinutes(Narrow(WindowText(edit_)), most_);
    const std::int32_t before = shown_;
    Show(typed.value_or(before));
    if (!typed)
        MessageBeep(MB_ICONWARNING);
    return typed && *typed != before ? typed : std::nullopt;
}

}  // namespace vardex
