#pragma once
// Fields that more than one configuration page has: a password with its confirmation, and a
// number field with limits and its spin buttons.
#include "ConfigModel.h"
#include "win/Controls_win.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace vardex {

// A password and its confirmation. A stored password is never shown: while it is kept, both
// fields hold a marker that cannot be typed; emptying both removes it, typing replaces it.
// Both fields take as many characters as the password prompts do, and show each as "*".
class PasswordPairFields {
public:
    PasswordPairFields(HWND password, HWND confirm, const FillingState& filling);
    void Fill(const PasswordEdit& edit);
    // A notification of either field: leaving one runs the pair check, a change (not made while
    // the page fills) is stored to edit. True when edit changed.
    bool Notified(int code, PasswordEdit& edit);
    // Before the pair is saved or left: true when it is confirmed; otherwise a message says why
    // after the subject that names whose password it is, and the focus goes where to type.
    bool Confirmed(const std::string& subject, const Texts& texts);

private:
    void Check();
    // What the password field holds, as the model's change.
    void StoreTo(PasswordEdit& edit) const;

    HWND password_, confirm_;
    const FillingState& filling_;
    int counter_ = 0;        // kept with the confirm field
    bool refusing_ = false;  // the focus goes to the message: that is no leaving of the field
};

// A number field between two limits, with spin buttons that go as far as the limits.
class NumberField {
public:
    // The limits are the setting's range in the settings table.
    NumberField(HWND dialog, int id, int spinId, const SettingDefinition& setting, const FillingState& filling);
    // Shows the value, at the nearest limit when outside them; that value is returned, to be stored.
    std::int32_t Show(std::int32_t value) const;
    // A notification of the field. Leaving it shows the number it stands for (at the nearest
    // limit); a typed number is returned, to be stored, only when it differs from current: a field
    // left as it was is no change, nor is what the page's filling puts there.
    std::optional<std::int32_t> Notified(int code, std::int32_t current) const;

private:
    HWND dialog_;
    int id_;
    std::int32_t low_, high_;
    const FillingState& filling_;
};

// Minutes shown and typed as hours and minutes ("1:30"), from 0 to the setting's most.
class HoursMinutesField {
public:
    HoursMinutesField(HWND edit, std::int32_t mostMinutes, const FillingState& filling)
        : edit_(edit), most_(mostMinutes), filling_(filling)
    {
    }
    HWND Handle() const noexcept { return edit_; }
    // Shows the minutes, held within the limits.
    void Show(std::int32_t minutes);
    // A notification of the field: leaving it takes what was typed, when it reads as a time
    // within the limits and differs from what was shown (returned, to be stored); any other text
    // gives way to what was shown.
    std::optional<std::int32_t> Notified(int code);

private:
    HWND edit_;
    std::int32_t most_;
    const FillingState& filling_;
    std::int32_t shown_ = 0;
};

}  // namespace vardex
