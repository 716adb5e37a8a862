#pragma once
// A small modal prompt built in code from the layout units of its font: a caption, a label, a
// one-line edit, a line showing the keyboard layout and a Caps Lock warning, and a row of
// buttons. The unlock prompt and the password input dialog are two. It opens on the monitor with
// the pointer, follows that monitor's resolution, the system's colours (high contrast too), and
// names its controls for screen readers.
#include "AccessibleNames_win.h"
#include "Controls_win.h"
#include "MessagePump_win.h"
#include "common/PasswordHash.h"
#include "common/PromptLayout.h"
#include "common/Texts.h"
#include "UniqueHandle_win.h"
#include "common/WipedString.h"
#include "Window_win.h"

#include <string>
#include <vector>

namespace vardex {

// The work area of the monitor with the pointer, the primary one where the pointer is nowhere.
LayoutRect PointerWorkArea() noexcept;

// The edit of a secret, made so: no context menu, and nothing of it for another thread (its text,
// its length, its mask).
void GuardSecretEdit(HWND edit) noexcept;
// The edit's text, taken out: the edit's own buffer and every copy are overwritten.
WipedString TakeEditText(HWND edit, FillingState* filling = nullptr);


class PromptDialog : public Window {
public:
    // The "Off" button of the unlock prompt: it closes the prompt with this result.
    static constexpr int kOffButton = IDNO;
    // The unlock prompt's "More time…" button, while a restriction holds.
    static constexpr int kMoreTimeButton = 20;
    static constexpr int kMaxTextLength = kMaxPasswordLength;

    struct Options {
        const wchar_t* className = L"TPromptForm";
        std::string caption;
        std::string prompt;
        // The other texts SetPrompt may show: the label is as wide as the widest of them all.
        std::vector<std::string> otherPrompts;
        HWND owner = nullptr;
        bool topmost = false;  // in front of a topmost owner
        bool masked = false;   // every character shown as "*"
        std::string text;      // the edit's first text, all of it selected
        PromptButtons buttons = PromptButtons::OkCancel;
        bool offEnabled = false;
        // The buttons' captions, the Caps Lock warning and what a screen reader calls the
        // password field and the keyboard layout's line ({1} the layout), in the person's language.
        std::string ok = "OK", cancel = "Cancel", off = "Off", moreTime = "More time\u2026";
        std::string capsLock = kCapsLockWarning;
        std::string passwordName = EnglishText(TextId::WordPassword);
        std::string keyboardLayoutName = EnglishText(TextId::PromptKeyboardLayout);
    };

    explicit PromptDialog(const Options& options);
    ~PromptDialog() override;

    // Shows the prompt centred on the monitor with the pointer, with the edit focused, its owner disabled, and runs
    // its modal loop through the pump. The result is IDOK, kOffButton, or IDCANCEL for Cancel,
    // Esc, the close box and the end of the program.
    int ShowModal(MessagePump& pump);
    // Whether the edit's text was changed since the prompt was shown.
    bool Edited() const noexcept { return edited_; }
    // The edit's text, taken out: the edit's own buffer and every copy are overwritten.
    WipedString TakeText();

protected:
    void Close(int result) noexcept;
    // The label's text; one of the options' prompts.
    void SetPrompt(const std::string& text);
    // Whether the edit and OK take an entry; while they do not, OK closes nothing and the focus
    // is on Cancel.
    void SetEntryEnabled(bool enabled);
    // Each message of the modal loop, before the dialog's keyboard navigation sees it.
    virtual void Inspect(const MSG& /*msg*/) {}
    // The focused control changed, the edit's first focus included.
    virtual void FocusChanged() {}
    bool OnCommand(int id, int code, HWND control) override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateControls(const Options& options);
    // The geometry at the font's units and the texts' sizes now.
    PromptLayout MeasureLayout() const;
    // Puts every control where layout says.
    void Arrange(const PromptLayout& layout) noexcept;
    // The font at a resolution, for every control.
    void UseFontAt(UINT dpi);
    // The keyboard layout and the Caps Lock warning as they are now.
    void UpdateIndicators();
    void FocusEntryOrCancel() noexcept;
    LRESULT OnDpiChanged(UINT dpi, const RECT& suggested);
    LRESULT WarningColours(HDC dc) const noexcept;

    HWND owner_;
    bool topmost_;
    bool masked_;
    PromptButtons buttons_;
    std::vector<std::string> prompts_;  // every text the label may show
    UniqueFont font_;
    HWND label_ = nullptr;
    HWND edit_ = nullptr;
    HWND ok_ = nullptr;
    HWND cancel_ = nullptr;
    HWND off_ = nullptr;
    HWND more_ = nullptr;
    HWND warning_ = nullptr;
    HWND keyboardLayout_ = nullptr;
    AccessibleNames names_;
    std::string layoutName_;
    std::string capsLockText_;
    std::string keyboardLayoutName_;
    bool capsLock_ = false;
    std::string prompt_;
    bool entryEnabled_ = true;
    bool closed_ = false;
    bool edited_ = false;
    FillingState filling_;
    int result_ = IDCANCEL;
};

}  // namespace vardex
