#include "PromptDialog_win.h"

#include "Dpi_win.h"
#include "TextConvert_win.h"

#include <commctrl.h>

#include <algorithm>

namespace vardex {

namespace {
constexpr int kEditId = 100;
constexpr const wchar_t* kLetters = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

HWND CreateChild(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, const LayoutRect& r,
                 int id, HFONT font, DWORD exStyle = 0)
{
    HWND child = CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.width,
                                 r.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

// The edit shows no context menu: nothing may be pasted or copied out of a prompt that way.
LRESULT CALLBACK EditWithoutMenu(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) noexcept
{
    if (message == WM_CONTEXTMENU)
        return 0;
    return DefSubclassProc(window, message, wParam, lParam);
}

SIZE TextSize(HDC dc, const std::wstring& text)
{
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

// The size a label's text takes as the static control draws it (DrawText, no prefixes).
SIZE LabelTextSize(HDC dc, const std::wstring& text)
{
    RECT area{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return {area.right - area.left, area.bottom - area.top};
}

// The dialog font, 9 points at the window's resolution.
HFONT CreatePromptFont(HWND window)
{
    return CreateUiFont(DialogMulDiv(9, static_cast<int>(WindowDpi(window)), 72), FW_NORMAL);
}
}  // namespace

PromptDialog::PromptDialog(const Options& options) : owner_(options.owner), topmost_(options.topmost)
{
    const std::wstring title = Widen(options.caption);
    CreateParams params;
    params.className = options.className;
    params.title = title.c_str();
    params.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    params.exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | (options.topmost ? WS_EX_TOPMOST : 0);
    params.parent = options.owner;
    params.background = GetSysColorBrush(COLOR_BTNFACE);
    params.cursor = LoadCursorW(nullptr, IDC_ARROW);
    params.dialog = true;
    Create(params);
    font_.Reset(CreatePromptFont(Handle()));
    CreateControls(options);
}

PromptDialog::~PromptDialog()
{
    if (edit_)
        RemoveWindowSubclass(edit_, EditWithoutMenu, 1);
}

void PromptDialog::CreateControls(const Options& options)
{
    HWND dialog = Handle();
    const HFONT font = font_.Get();
    prompt_ = options.prompt;
    const std::wstring prompt = Widen(options.prompt);
    SIZE letters{}, label{};
    TEXTMETRICW metrics{};
    {
        const WindowDC dc(dialog);
        const SelectedObject selected(dc.Get(), font);
        letters = TextSize(dc.Get(), kLetters);
        label = LargestPrompt(dc.Get(), options);
        GetTextMetricsW(dc.Get(), &metrics);
    }
    const PromptLayout layout = ComputePromptLayout(LayoutUnitX(letters.cx), letters.cy, label.cx, label.cy,
                                                    metrics.tmHeight + 8, options.buttons);
    label_ = CreateChild(dialog, WC_STATICW, prompt.c_str(), SS_LEFT | SS_NOPREFIX, layout.label, -1, font);
    edit_ = CreateChild(dialog, WC_EDITW, L"", WS_TABSTOP | ES_AUTOHSCROLL | (options.masked ? ES_PASSWORD : 0),
                        layout.edit, kEditId, font, WS_EX_CLIENTEDGE);
    if (options.masked)
        SendMessageW(edit_, EM_SETPASSWORDCHAR, L'*', 0);
    SendMessageW(edit_, EM_SETLIMITTEXT, kMaxTextLength, 0);
    SetWindowSubclass(edit_, EditWithoutMenu, 1, 0);
    {
        const FillingScope filling(filling_);
        SetWindowTextW(edit_, Widen(options.text).c_str());
    }
    SendMessageW(edit_, EM_SETSEL, 0, -1);
    ok_ = CreateChild(dialog, WC_BUTTONW, L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, layout.ok, IDOK, font);
    cancel_ = CreateChild(dialog, WC_BUTTONW, L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, layout.cancel, IDCANCEL, font);
    if (options.buttons == PromptButtons::OkCancelOff) {
        HWND off = CreateChild(dialog, WC_BUTTONW, L"Off", WS_TABSTOP | BS_PUSHBUTTON, layout.off, kOffButton, font);
        EnableWindow(off, options.offEnabled);
    }
    SendMessageW(dialog, DM_SETDEFID, IDOK, 0);

    // Centred on the screen, sized so that the client area has the layout's size.
    RECT frame{0, 0, layout.clientWidth, layout.clientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(dialog, topmost_ ? HWND_TOPMOST : HWND_TOP, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, SWP_NOACTIVATE);
}

SIZE PromptDialog::LargestPrompt(HDC dc, const Options& options) const
{
    SIZE largest = LabelTextSize(dc, Widen(options.prompt));
    for (const std::string& other : options.otherPrompts) {
        const SIZE size = LabelTextSize(dc, Widen(other));
        largest = {std::max(largest.cx, size.cx), std::max(largest.cy, size.cy)};
    }
    return largest;
}

void PromptDialog::SetPrompt(const std::string& text)
{
    if (text == prompt_)
        return;
    prompt_ = text;
    SetWindowTextW(label_, Widen(text).c_str());
}

void PromptDialog::SetEntryEnabled(bool enabled)
{
    if (enabled == entryEnabled_)
        return;
    entryEnabled_ = enabled;
    // The focus leaves before its control is disabled, and comes back once it is enabled.
    if (!enabled)
        FocusEntryOrCancel();
    EnableWindow(edit_, enabled);
    EnableWindow(ok_, enabled);
    if (enabled)
        FocusEntryOrCancel();
}

void PromptDialog::FocusEntryOrCancel() noexcept
{
    if (IsWindowVisible(Handle()))
        SetFocus(entryEnabled_ ? edit_ : cancel_);
}

void PromptDialog::Close(int result) noexcept
{
    if (closed_)
        return;
    closed_ = true;
    result_ = result;
}

WipedString PromptDialog::TakeText()
{
    const int length = GetWindowTextLengthW(edit_);
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(edit_, wide.data(), length + 1);
    wide.resize(static_cast<size_t>(length));
    WipedString text(Narrow(wide));
    // Overwrite the edit's own buffer, then ours.
    {
        const FillingScope filling(filling_);
        SetWindowTextW(edit_, std::wstring(static_cast<size_t>(length), L' ').c_str());
        SetWindowTextW(edit_, L"");
    }
    WipeText(wide);
    return text;
}

int PromptDialog::ShowModal(MessagePump& pump)
{
    // Modal to the owner, which stays disabled while the prompt is shown.
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    FocusEntryOrCancel();
    FocusChanged();
    HWND focus = GetFocus();
    const bool ran = pump.RunModal(
        owner_, Handle(),
        [this](const MSG& msg) {
            Inspect(msg);
            return IsDialogMessageW(Handle(), const_cast<MSG*>(&msg)) != FALSE;
        },
        [&] {
            if (HWND now = GetFocus(); now != focus && IsChild(Handle(), now)) {
                focus = now;
                FocusChanged();
            }
            return closed_;
        });
    if (!ran)
        Close(IDCANCEL);  // the program is ending
    return result_;
}

bool PromptDialog::OnCommand(int id, int code, HWND)
{
    switch (id) {
    case IDOK:
        // Also when another program sends it: no entry is taken while the edit takes none.
        if (entryEnabled_)
            Close(id);
        return true;
    case IDCANCEL:
    case kOffButton: Close(id); return true;
    case kEditId:
        if (code == EN_CHANGE && !filling_.Active())
            edited_ = true;
        return true;
    default: return false;
    }
}

LRESULT PromptDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        Close(IDCANCEL);
        return 0;
    }
    return DefaultHandling(message, wParam, lParam);
}

}  // namespace vardex
