#include "PromptDialog_win.h"

#include "Dpi_win.h"
#include "TextConvert_win.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>

namespace vardex {

namespace {
constexpr int kEditId = 100;
constexpr const wchar_t* kLetters = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

HWND CreateChild(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id, DWORD exStyle = 0)
{
    // Placed once the font is known (PromptDialog::Arrange).
    return CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

// The edit shows no context menu: nothing may be pasted or copied out of a prompt that way. A
// masked edit (refData set) also gives its text to no other thread, nor lets one take its mask
// off: what a screen reader, or any other program, asks of it gets nothing.
LRESULT CALLBACK EditWithoutMenu(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR masked) noexcept
{
    if (message == WM_CONTEXTMENU)
        return 0;
    if (masked && InSendMessage()) {
        switch (message) {
        case WM_GETTEXT:
            if (wParam > 0 && lParam)
                *reinterpret_cast<wchar_t*>(lParam) = L'\0';
            return 0;
        case WM_GETTEXTLENGTH:
        case EM_GETLINE:
        case EM_SETPASSWORDCHAR:
        case WM_COPY:
        case WM_CUT: return 0;
        default: break;
        }
    }
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

// The dialog font, 9 points at a resolution.
HFONT CreatePromptFont(UINT dpi)
{
    return CreateUiFont(DialogMulDiv(9, static_cast<int>(dpi), 72), FW_NORMAL);
}

// The window's size for a client area of this size, by its styles.
SIZE FrameFor(HWND window, int clientWidth, int clientHeight) noexcept
{
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
    return {frame.right - frame.left, frame.bottom - frame.top};
}

// Makes the client area this size, the top-left corner kept. The frame's own size is the system
// one's, which on a monitor of another resolution may not be the one the window's frame has:
// corrected by what the client area came out as.
void SizeClient(HWND window, int width, int height) noexcept
{
    RECT client{}, frame{};
    GetClientRect(window, &client);
    GetWindowRect(window, &frame);
    if (client.right == width && client.bottom == height)
        return;
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + width - client.right,
                 frame.bottom - frame.top + height - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The keyboard layout of this thread, by the ISO name of its language.
std::string CurrentLayoutName()
{
    const LANGID language = LOWORD(reinterpret_cast<UINT_PTR>(GetKeyboardLayout(0)));
    wchar_t iso[9] = L"";
    if (!GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_SISO639LANGNAME, iso, 9))
        return {};
    return LayoutShortName(Narrow(iso));
}

bool HighContrastOn() noexcept
{
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

// The Caps Lock warning's red, dark enough to read on the dialog's face.
constexpr COLORREF kWarningColour = RGB(0xB0, 0x00, 0x00);

bool IsKeyMessage(UINT message) noexcept
{
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
}
}  // namespace

// The work area of the monitor with the pointer, the primary one where the pointer is nowhere.
LayoutRect PointerWorkArea() noexcept
{
    POINT pointer{};
    GetCursorPos(&pointer);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromPoint(pointer, MONITOR_DEFAULTTOPRIMARY), &info))
        return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const RECT& work = info.rcWork;
    return {work.left, work.top, work.right - work.left, work.bottom - work.top};
}


PromptDialog::PromptDialog(const Options& options)
    : owner_(options.owner), topmost_(options.topmost), masked_(options.masked), buttons_(options.buttons)
{
    prompts_ = options.otherPrompts;
    prompts_.push_back(options.prompt);
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
    // Made on the monitor it shows on, so that it has that monitor's resolution from the start.
    const LayoutRect area = PointerWorkArea();
    params.x = area.left + area.width / 2;
    params.y = area.top + area.height / 2;
    Create(params);
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
    prompt_ = options.prompt;
    // The label just before the edit, which the system takes for the edit's name.
    label_ = CreateChild(dialog, WC_STATICW, Widen(options.prompt).c_str(), SS_LEFT | SS_NOPREFIX, -1);
    edit_ = CreateChild(dialog, WC_EDITW, L"", WS_TABSTOP | ES_AUTOHSCROLL | (options.masked ? ES_PASSWORD : 0),
                        kEditId, WS_EX_CLIENTEDGE);
    if (options.masked)
        SendMessageW(edit_, EM_SETPASSWORDCHAR, L'*', 0);
    SendMessageW(edit_, EM_SETLIMITTEXT, kMaxTextLength, 0);
    SetWindowSubclass(edit_, EditWithoutMenu, 1, options.masked ? 1 : 0);
    {
        const FillingScope filling(filling_);
        SetWindowTextW(edit_, Widen(options.text).c_str());
    }
    SendMessageW(edit_, EM_SETSEL, 0, -1);
    capsLockText_ = options.capsLock;
    keyboardLayoutName_ = options.keyboardLayoutName;
    ok_ = CreateChild(dialog, WC_BUTTONW, Widen(options.ok).c_str(), WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK);
    cancel_ = CreateChild(dialog, WC_BUTTONW, Widen(options.cancel).c_str(), WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL);
    if (options.buttons != PromptButtons::OkCancel) {
        off_ = CreateChild(dialog, WC_BUTTONW, Widen(options.off).c_str(), WS_TABSTOP | BS_PUSHBUTTON, kOffButton);
        EnableWindow(off_, options.offEnabled);
    }
    if (options.buttons == PromptButtons::OkCancelOffMore)
        more_ = CreateChild(dialog, WC_BUTTONW, Widen(options.moreTime).c_str(), WS_TABSTOP | BS_PUSHBUTTON,
                            kMoreTimeButton);
    // The indicators after the buttons, out of the way of the label and the edit; shown while
    // they have something to say.
    warning_ = CreateChild(dialog, WC_STATICW, L"", SS_LEFT | SS_NOPREFIX, -1);
    keyboardLayout_ = CreateChild(dialog, WC_STATICW, L"", SS_LEFT | SS_NOPREFIX, -1);
    ShowWindow(warning_, SW_HIDE);
    ShowWindow(keyboardLayout_, SW_HIDE);
    SendMessageW(dialog, DM_SETDEFID, IDOK, 0);
    names_.Name(edit_, Widen(options.masked ? options.passwordName : options.prompt));

    UseFontAt(WindowDpi(dialog));
    UpdateIndicators();
    // Centred on the work area of the monitor with the pointer.
    const PromptLayout layout = MeasureLayout();
    Arrange(layout);
    const SIZE frame = FrameFor(dialog, layout.clientWidth, layout.clientHeight);
    const LayoutRect place = CentredIn(PointerWorkArea(), frame.cx, frame.cy);
    SetWindowPos(dialog, topmost_ ? HWND_TOPMOST : HWND_TOP, place.left, place.top, place.width, place.height,
                 SWP_NOACTIVATE);
    SizeClient(dialog, layout.clientWidth, layout.clientHeight);
}

PromptLayout PromptDialog::MeasureLayout() const
{
    const WindowDC dc(Handle());
    const SelectedObject selected(dc.Get(), font_.Get());
    const SIZE letters = TextSize(dc.Get(), kLetters);
    // The label is as large as the largest of its texts.
    SIZE label{};
    for (const std::string& prompt : prompts_) {
        const SIZE size = LabelTextSize(dc.Get(), Widen(prompt));
        label = {std::max(label.cx, size.cx), std::max(label.cy, size.cy)};
    }
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.Get(), &metrics);
    const SIZE warning = LabelTextSize(dc.Get(), Widen(capsLockText_));
    // Each button as wide as the widest caption needs, with the margins a button draws.
    int caption = 0;
    for (HWND button : {ok_, cancel_, off_, more_}) {
        if (!button)
            continue;
        wchar_t text[64] = L"";
        GetWindowTextW(button, text, 64);
        caption = std::max<int>(caption, LabelTextSize(dc.Get(), text).cx);
    }
    const PromptIndicatorLine line{warning.cy, warning.cx, LabelTextSize(dc.Get(), Widen(layoutName_)).cx,
                                   LabelTextSize(dc.Get(), Widen(kWidestLayoutName)).cx};
    const int unitX = LayoutUnitX(letters.cx);
    return ComputePromptLayout(unitX, letters.cy, label.cx, label.cy, metrics.tmHeight + 8, buttons_, line,
                               caption + 3 * unitX);
}

void PromptDialog::Arrange(const PromptLayout& layout) noexcept
{
    const auto move = [](HWND control, const LayoutRect& r) {
        if (control)
            MoveItem(control, r.left, r.top, r.width, r.height);
    };
    move(label_, layout.label);
    move(edit_, layout.edit);
    move(ok_, layout.ok);
    move(cancel_, layout.cancel);
    move(off_, layout.off);
    move(more_, layout.more);
    move(warning_, layout.warning);
    move(keyboardLayout_, layout.keyboardLayout);
}

void PromptDialog::UseFontAt(UINT dpi)
{
    const HFONT font = CreatePromptFont(dpi);
    for (HWND control : {label_, edit_, ok_, cancel_, off_, more_, warning_, keyboardLayout_})
        if (control)
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    font_.Reset(font);  // the old one once no control uses it
}

void PromptDialog::UpdateIndicators()
{
    const bool capsLock = (GetKeyState(VK_CAPITAL) & 1) != 0;
    if (capsLock != capsLock_) {
        capsLock_ = capsLock;
        // Without its text while hidden too: a program that reads the prompt's texts finds the
        // warning only while it shows.
        SetWindowTextW(warning_, capsLock ? Widen(capsLockText_).c_str() : L"");
        ShowWindow(warning_, capsLock ? SW_SHOWNA : SW_HIDE);
    }
    std::string name = CurrentLayoutName();
    if (name == layoutName_)
        return;
    layoutName_ = std::move(name);
    const std::wstring wide = Widen(layoutName_);
    SetWindowTextW(keyboardLayout_, wide.c_str());
    names_.Name(keyboardLayout_, Widen(FillIn(keyboardLayoutName_, {layoutName_})));
    // Sized to its new text, against the right margin.
    if (font_) {
        const LayoutRect r = MeasureLayout().keyboardLayout;
        MoveItem(keyboardLayout_, r.left, r.top, r.width, r.height);
    }
    ShowWindow(keyboardLayout_, layoutName_.empty() ? SW_HIDE : SW_SHOWNA);
}

LRESULT PromptDialog::OnDpiChanged(UINT dpi, const RECT& suggested)
{
    UseFontAt(dpi);
    const PromptLayout layout = MeasureLayout();
    Arrange(layout);
    SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    SizeClient(Handle(), layout.clientWidth, layout.clientHeight);
    return 0;
}

LRESULT PromptDialog::WarningColours(HDC dc) const noexcept
{
    // The warning's red only where the user has not asked for the high-contrast colours.
    SetTextColor(dc, HighContrastOn() ? GetSysColor(COLOR_WINDOWTEXT) : kWarningColour);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
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
    if (more_)
        EnableWindow(more_, enabled);
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

WipedString TakeEditText(HWND edit, FillingState* filling)
{
    const int length = GetWindowTextLengthW(edit);
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(edit, wide.data(), length + 1);
    wide.resize(static_cast<size_t>(length));
    WipedString text(Narrow(wide));
    // Overwrite the edit's own buffer, then ours.
    {
        std::optional<FillingScope> filled;
        if (filling)
            filled.emplace(*filling);
        SetWindowTextW(edit, std::wstring(static_cast<size_t>(length), L' ').c_str());
        SetWindowTextW(edit, L"");
    }
    WipeText(wide);
    return text;
}

void GuardSecretEdit(HWND edit) noexcept
{
    SetWindowSubclass(edit, EditWithoutMenu, 1, 1);
}

WipedString PromptDialog::TakeText()
{
    return TakeEditText(edit_, &filling_);
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
            // The key state is the message's: Caps Lock's toggle shows with its own key.
            if (IsKeyMessage(msg.message))
                UpdateIndicators();
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
    case kMoreTimeButton:
        // As OK: not while the wait after wrong entries lasts.
        if (more_ && entryEnabled_)
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
    switch (message) {
    case WM_CLOSE: Close(IDCANCEL); return 0;
    case WM_ACTIVATE:
    case WM_INPUTLANGCHANGE: UpdateIndicators(); break;
    case WM_DPICHANGED: return OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == warning_)
            return WarningColours(reinterpret_cast<HDC>(wParam));
        break;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE: InvalidateRect(warning_, nullptr, TRUE); break;
    default: break;
    }
    return DefaultHandling(message, wParam, lParam);
}

}  // namespace vardex
