#include "Dialog_win.h"

#include "ErrorReport_win.h"
#include "TextConvert_win.h"
#include "common/ScopeGuard.h"
#include "WindowObjects_win.h"
#include "WindowTexts_win.h"

#include <stdexcept>
#include <utility>

namespace vardex {

Dialog::~Dialog()
{
    Destroy();
}

void Dialog::Destroy() noexcept
{
    if (!hwnd_)
        return;
    // Messages sent while the dialog is destroyed must not reach a half-destroyed object.
    WindowObjects<Dialog>::Unbind(hwnd_);
    DestroyWindow(std::exchange(hwnd_, nullptr));
}

void Dialog::CreatePage(HWND parent, int templateId)
{
    if (!CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), parent, &Dialog::Procedure,
                            reinterpret_cast<LPARAM>(this)))
        throw std::runtime_error(EnglishText(TextId::MessageNoDialog));
}

INT_PTR Dialog::ShowModal(MessagePump& pump, HWND owner, int templateId)
{
    closed_ = false;
    result_ = IDCANCEL;
    CreatePage(owner, templateId);
    const ScopeGuard destroy([this] { Destroy(); });
    ShowWindow(hwnd_, SW_SHOW);
    pump.RunModal(
        owner, hwnd_,
        [this](const MSG& msg) { return PreTranslate(msg) || IsDialogMessageW(hwnd_, const_cast<MSG*>(&msg)) != FALSE; },
        [this] { return closed_; });
    return result_;
}

int Dialog::Confirm(const std::string& question, UINT buttons) const
{
    return MessageBoxW(GetAncestor(hwnd_, GA_ROOT), Widen(question).c_str(), Widen(texts_->Get(TextId::BoxConfirm)).c_str(),
                       buttons);
}

void Dialog::Refuse(const std::string& problem) const
{
    // Problems the window did not word itself (a refusal of the guardian's) come in English.
    MessageBoxW(GetAncestor(hwnd_, GA_ROOT), Widen(texts_->TranslateMessage(problem)).c_str(),
                Widen(texts_->Get(TextId::BoxError)).c_str(),
                MB_OK | MB_ICONEXCLAMATION);
}

void Dialog::Close(INT_PTR result) noexcept
{
    closed_ = true;
    result_ = result;
}

INT_PTR Dialog::Route(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        // The template's English words first, so that what the dialog sets itself stays.
        TranslateDialog(hwnd_, *texts_);
        return OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    case WM_NOTIFY: {
        LRESULT answer = 0;
        if (!OnNotify(*reinterpret_cast<const NMHDR*>(lParam), answer))
            return FALSE;
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, answer);
        return TRUE;
    }
    default: {
        INT_PTR result = FALSE;
        return HandleMessage(message, wParam, lParam, result) ? result : FALSE;
    }
    }
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<Dialog*>(lParam);
        dialog->hwnd_ = hwnd;
        try {
            WindowObjects<Dialog>::Bind(hwnd, dialog);
        } catch (...) {
            return FALSE;
        }
    }
    auto* dialog = WindowObjects<Dialog>::Find(hwnd);
    if (!dialog)
        return FALSE;
    if (message == WM_NCDESTROY) {
        WindowObjects<Dialog>::Unbind(hwnd);
        dialog->hwnd_ = nullptr;
        return FALSE;
    }
    try {
        return dialog->Route(message, wParam, lParam);
    } catch (...) {
        ReportCurrentError();
        return FALSE;
    }
}

}  // namespace vardex
