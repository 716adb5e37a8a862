#include "UnlockPrompt_win.h"

#include "common/PromptLayout.h"
#include "common/Application.h"
#include "common/TextConvert_win.h"

#include <commctrl.h>

namespace vardex {

namespace {
constexpr int kOffButtonId = IDNO;
constexpr int kMaxEntryLength = 255;
constexpr const wchar_t* kLetters = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

HWND CreateChild(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, const LayoutRect& r,
                 int id, HFONT font, DWORD exStyle = 0)
{
    HWND child = CreateWindowExW(exStyle, className, text,
                                 WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.width, r.height, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

// The edit shows no context menu: nothing may be pasted or copied out of the prompt that way.
LRESULT CALLBACK EditWithoutMenu(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) noexcept
{
    if (message == WM_CONTEXTMENU)
        return 0;
    return DefSubclassProc(window, message, wParam, lParam);
}

SIZE TextSize(HDC dc, const wchar_t* text)
{
    SIZE size{};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
    return size;
}

MouseButton ButtonOf(UINT message)
{
    return message == WM_RBUTTONDOWN ? MouseButton::Right : message == WM_MBUTTONDOWN ? MouseButton::Middle
                                                                                         : MouseButton::Left;
}
}  // namespace

TPwdForm::TPwdForm(HWND lockScreen, bool shutdownAllowed, LockSession& session)
    : lockScreen_(lockScreen), session_(session)
{
    const WindowDC screen(nullptr);
    font_.Reset(CreateFontW(-MulDiv(9, GetDeviceCaps(screen.Get(), LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                            FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif"));
    const std::wstring title = Widen(kApplicationTitle);
    CreateParams params;
    params.className = L"TPwdForm";
    params.title = title.c_str();
    params.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    // In front of the lock screen, which is topmost too.
    params.exStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST | WS_EX_CONTROLPARENT;
    params.parent = lockScreen;
    params.background = GetSysColorBrush(COLOR_BTNFACE);
    params.cursor = LoadCursorW(nullptr, IDC_ARROW);
    params.dialog = true;
    Create(params);
    CreateControls(shutdownAllowed);
}

TPwdForm::~TPwdForm()
{
    if (edit_)
        RemoveWindowSubclass(edit_, EditWithoutMenu, 1);
}

void TPwdForm::CreateControls(bool shutdownAllowed)
{
    HWND dialog = Handle();
    const HFONT font = font_.Get();
    SIZE letters{}, label{};
    TEXTMETRICW metrics{};
    {
        const WindowDC dc(dialog);
        const SelectedObject selected(dc.Get(), font);
        letters = TextSize(dc.Get(), kLetters);
        label = TextSize(dc.Get(), L"Enter password");
        GetTextMetricsW(dc.Get(), &metrics);
    }

    const int unitY = letters.cy;
    const PromptLayout layout = ComputePromptLayout(LayoutUnitX(letters.cx), unitY, label.cx, label.cy,
                                                    metrics.tmHeight + 8);
    CreateChild(dialog, WC_STATICW, L"Enter password", SS_LEFT | SS_NOPREFIX, layout.label, -1, font);
    edit_ = CreateChild(dialog, WC_EDITW, L"", WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL, layout.edit, 100, font,
                        WS_EX_CLIENTEDGE);
    SendMessageW(edit_, EM_SETPASSWORDCHAR, L'*', 0);
    SendMessageW(edit_, EM_SETLIMITTEXT, kMaxEntryLength, 0);
    SetWindowSubclass(edit_, EditWithoutMenu, 1, 0);
    CreateChild(dialog, WC_BUTTONW, L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, layout.ok, IDOK, font);
    CreateChild(dialog, WC_BUTTONW, L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, layout.cancel, IDCANCEL, font);
    HWND off = CreateChild(dialog, WC_BUTTONW, L"Off", WS_TABSTOP | BS_PUSHBUTTON, layout.off, kOffButtonId, font);
    EnableWindow(off, shutdownAllowed);
    SendMessageW(dialog, DM_SETDEFID, IDOK, 0);

    // Centred on the screen, sized so that the client area has the layout's size.
    RECT frame{0, 0, layout.clientWidth, layout.clientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(dialog, HWND_TOPMOST, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, SWP_NOACTIVATE);
}

void TPwdForm::Close(PromptAnswer::Kind result) noexcept
{
    if (closed_)
        return;
    closed_ = true;
    result_ = result;
}

WipedString TPwdForm::TakeEntry()
{
    const int length = GetWindowTextLengthW(edit_);
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(edit_, wide.data(), length + 1);
    wide.resize(static_cast<size_t>(length));
    WipedString entry(Narrow(wide));
    // Overwrite the edit's own buffer, then ours.
    SetWindowTextW(edit_, std::wstring(static_cast<size_t>(length), L' ').c_str());
    SetWindowTextW(edit_, L"");
    WipeText(wide);
    return entry;
}

void TPwdForm::RouteToLockScreen(const MSG& msg)
{
    if (msg.hwnd != Handle() && !IsChild(Handle(), msg.hwnd))
        return;
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        session_.FormKeyDown();
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        session_.FormMouseDown(ButtonOf(msg.message));
        break;
    case WM_MOUSEMOVE:
        session_.FormMouseMove();
        break;
    default:
        break;
    }
}

PromptAnswer TPwdForm::ShowModal(MessagePump& pump)
{
    // Modal to the lock screen, which stays disabled while the prompt is shown.
    EnableWindow(lockScreen_, FALSE);
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    SetFocus(edit_);
    session_.ActiveControlChanged();
    const MessagePump::FilterScope keys(pump, [this](const MSG& msg) {
        RouteToLockScreen(msg);
        return IsDialogMessageW(Handle(), const_cast<MSG*>(&msg)) != FALSE;
    });
    HWND focus = edit_;
    const bool ran = pump.RunUntil([&] {
        if (HWND now = GetFocus(); now != focus && IsChild(Handle(), now)) {
            focus = now;
            session_.ActiveControlChanged();
        }
        return closed_;
    });
    if (!ran)
        Close(PromptAnswer::Kind::Cancel);  // the program is ending
    PromptAnswer answer;
    answer.kind = result_;
    answer.entry = TakeEntry();
    if (result_ != PromptAnswer::Kind::Ok)
        answer.entry = WipedString();
    // The owner first, so that it takes the activation back when the prompt goes.
    EnableWindow(lockScreen_, TRUE);
    return answer;
}

LRESULT TPwdForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: Close(PromptAnswer::Kind::Ok); return 0;
        case IDCANCEL: Close(PromptAnswer::Kind::Cancel); return 0;
        case kOffButtonId: Close(PromptAnswer::Kind::Off); return 0;
        default: break;
        }
        break;
    case WM_CLOSE:
        Close(PromptAnswer::Kind::Cancel);
        return 0;
    case WM_ACTIVATE:
        // Any other window becoming active closes the prompt as cancelled.
        if (LOWORD(wParam) == WA_INACTIVE)
            Close(PromptAnswer::Kind::Cancel);
        break;
    default:
        break;
    }
    return DefaultHandling(message, wParam, lParam);
}

}  // namespace vardex
