#pragma once
// Base of the dialogs made from dialog-template resources: modal (through the program's one
// message pump) or as a child page of another window. Like the window base, a static dialog
// procedure binds the object (on WM_INITDIALOG), cracks WM_COMMAND and WM_NOTIFY into OnCommand
// and OnNotify (a notification's answer goes back through DWLP_MSGRESULT), and is the catch
// boundary: an error in a handler goes to the program's error sink. The template's words are
// put in the dialog's language (SpeakIn; English unless told) before OnInitDialog.
#include "MessagePump_win.h"
#include "common/Texts.h"

#include <windows.h>

#include <commctrl.h>

namespace vardex {

class Dialog {
public:
    Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    virtual ~Dialog();

    HWND Handle() const noexcept { return hwnd_; }
    HWND Item(int id) const noexcept { return GetDlgItem(hwnd_, id); }
    // The texts of the dialog's language; they outlive the dialog.
    void SpeakIn(const Texts& texts) noexcept { texts_ = &texts; }
    const Texts& Words() const noexcept { return *texts_; }

    // Creates the dialog, shows it with its owner disabled and runs its modal loop through the
    // pump until Close; the dialog is destroyed afterwards. The result is Close's, or IDCANCEL
    // when the program ends.
    INT_PTR ShowModal(MessagePump& pump, HWND owner, int templateId);
    // Creates the dialog as a child page of parent (the template has WS_CHILD); it is destroyed
    // with this object.
    void CreatePage(HWND parent, int templateId);

protected:
    // A question in a message box over the dialog's window (captioned "Confirm"): the button
    // pressed. A problem the user must mend (captioned "Error").
    int Confirm(const std::string& question, UINT buttons) const;
    void Refuse(const std::string& problem) const;
    // Ends the modal loop with the result.
    void Close(INT_PTR result) noexcept;
    // The dialog exists: fill its controls. True lets the dialog manager focus the first control.
    virtual bool OnInitDialog() { return true; }
    // A menu item, an accelerator or a control's notification; true when handled.
    virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    // A common control's notification; true when handled, with its answer in result.
    virtual bool OnNotify(const NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    // The modal loop's look at each message before the dialog's keyboard navigation: the
    // window's accelerators and key preview. True when it took the message.
    virtual bool PreTranslate(const MSG& /*msg*/) { return false; }
    // Every other message: true when handled, with the message's answer in result.
    virtual bool HandleMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/, INT_PTR& /*result*/)
    {
        return false;
    }

private:
    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    INT_PTR Route(UINT message, WPARAM wParam, LPARAM lParam);
    void Destroy() noexcept;

    HWND hwnd_ = nullptr;
    const Texts* texts_ = &EnglishTexts();
    bool closed_ = false;
    INT_PTR result_ = IDCANCEL;
};

}  // namespace vardex
