#include "ConfigPages_win.h"

#include "win/Controls_win.h"
#include "win/Picture_win.h"
#include "win/PromptDialog_win.h"
#include "common/ScopeGuard.h"
#include "win/TextConvert_win.h"
#include "config_ids.h"

#include <commdlg.h>

namespace vardex {

namespace {
namespace N = SettingNames;

// What the fields of a kept password hold: characters nobody types (a private-use code point).
const std::wstring kKeptPassword(8, L'\uE000');

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
}  // namespace

void ConfigPage::Create(HWND parent, int templateId, const RECT& area)
{
    CreatePage(parent, templateId);
    SetWindowPos(Handle(), nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void ConfigPage::SetTitleLook(HFONT font, HICON icon) noexcept
{
    HWND title = Item(IDC_PAGE_TITLE);
    HWND picture = Item(IDC_PAGE_ICON);
    if (!title || !picture)
        return;
    SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SendMessageW(picture, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    // The title centred on its icon.
    const RECT iconRect = ItemRect(Handle(), picture), titleRect = ItemRect(Handle(), title);
    TEXTMETRICW metrics{};
    {
        const WindowDC dc(title);
        const SelectedObject selected(dc.Get(), font);
        GetTextMetricsW(dc.Get(), &metrics);
    }
    const int height = metrics.tmHeight + metrics.tmExternalLeading;
    const int top = (iconRect.top + iconRect.bottom - height) / 2;
    SetWindowPos(title, nullptr, titleRect.left, top, titleRect.right - titleRect.left, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void ConfigPage::SetTitle(const std::wstring& title) noexcept
{
    SetDlgItemTextW(Handle(), IDC_PAGE_TITLE, title.c_str());
}

std::string ConfigPage::Title() const
{
    return Narrow(ItemText(Handle(), IDC_PAGE_TITLE));
}

void ConfigPage::DataChange()
{
    if (model_.Filling())
        return;
    model_.DataChange();
    if (onChange_)
        onChange_();
}

std::optional<std::int32_t> ConfigPage::NumberFieldChange(int id, int code, std::int32_t low, std::int32_t high,
                                                      std::int32_t current)
{
    const std::wstring text = ItemText(Handle(), id);
    const std::int32_t number = BoundedNumber(Narrow(text), low, high, low);
    if (code == EN_KILLFOCUS && text != std::to_wstring(number))
        SetDlgItemInt(Handle(), id, static_cast<UINT>(number), FALSE);  // to the nearest limit
    if (code != EN_CHANGE || model_.Filling() || number == current)
        return std::nullopt;
    return number;
}

PasswordPairFields::PasswordPairFields(HWND password, HWND confirm) : password_(password), confirm_(confirm)
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

bool PasswordPairFields::Confirmed(const std::string& whose)
{
    std::wstring password = WindowText(password_), confirm = WindowText(confirm_);
    const std::optional<UnconfirmedPair> refusal = UnconfirmedPasswordPair(Narrow(password), Narrow(confirm), whose);
    WipeText(password);
    WipeText(confirm);
    if (!refusal)
        return true;
    refusing_ = true;
    const ScopeGuard refused([this] { refusing_ = false; });
    MessageBoxW(GetAncestor(password_, GA_ROOT), Widen(refusal->message).c_str(), L"Error", MB_OK | MB_ICONEXCLAMATION);
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

bool AppearancePage::LoadPreview(const std::string& path, bool report)
{
    preview_.reset();
    const bool exists = !path.empty() && FileExists(path);
    if (exists) {
        RECT frame;
        GetClientRect(Item(IDC_PREVIEW), &frame);
        preview_ = LoadBackgroundPicture(path, frame.right, frame.bottom);
        if (!preview_ && report)
            errors_.ReportError("The picture \"" + path + "\" cannot be shown");
    }
    InvalidateRect(Item(IDC_PREVIEW), nullptr, FALSE);
    return exists;
}

void AppearancePage::Fill()
{
    model_.SetFilling(true);
    const ScopeGuard filled([this] { model_.SetFilling(false); });
    const std::string path = PictureInProgramFolder(std::get<std::string>(model_.Global(N::BackgroundFile)), programDirectory_);
    bool show = std::get<bool>(model_.Global(N::ShowBackground));
    // A picture that is not there is no choice at all: the name goes, and the box with it.
    const bool exists = LoadPreview(path, true);
    model_.SetGlobal(N::BackgroundFile, exists ? path : std::string());
    if (!exists)
        model_.SetGlobal(N::ShowBackground, show = false);
    SetDlgItemTextW(Handle(), IDC_BACK_IMAGE, exists ? Widen(path).c_str() : L"");
    SetChecked(Handle(), IDC_SHOW_BACK, show);
}

void AppearancePage::BackImageChange()
{
    // Stored as the lock service will find it: it opens the file from a folder of its own.
    const std::string path = PictureInProgramFolder(Narrow(ItemText(Handle(), IDC_BACK_IMAGE)), programDirectory_);
    model_.SetGlobal(N::BackgroundFile, path);
    LoadPreview(path, !model_.Filling());
    DataChange();
}

void AppearancePage::Browse()
{
    wchar_t file[MAX_PATH] = L"";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = GetAncestor(Handle(), GA_ROOT);
    dialog.lpstrFilter = L"All Image Files (*.bmp;*.jpg;*.jpeg)\0*.bmp;*.jpg;*.jpeg\0Bitmap Files (*.bmp)\0*.bmp\0"
                         L"JPEG Files (*.jpg;*.jpeg)\0*.jpg;*.jpeg\0";
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = L"Choose a background image";
    dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (GetOpenFileNameW(&dialog))
        SetDlgItemTextW(Handle(), IDC_BACK_IMAGE, file);  // the change runs BackImageChange
}

bool AppearancePage::OnCommand(int id, int code, HWND)
{
    switch (id) {
    case IDC_BACK_IMAGE:
        if (code == EN_CHANGE)
            BackImageChange();
        return true;
    case IDC_BROWSE:
        if (code == BN_CLICKED)
            Browse();
        return true;
    case IDC_SHOW_BACK:
        if (code == BN_CLICKED) {
            model_.SetGlobal(N::ShowBackground, IsChecked(Handle(), IDC_SHOW_BACK));
            DataChange();
        }
        return true;
    default: return false;
    }
}

void AppearancePage::DrawItem(const DRAWITEMSTRUCT& item) const
{
    const RECT& area = item.rcItem;
    if (item.CtlID == IDC_HATCH) {
        const UniqueHandle<SimpleHandleTraits<HBRUSH, DeleteObject>> hatch(
            CreateHatchBrush(HS_DIAGCROSS, GetSysColor(COLOR_BTNSHADOW)));
        FillRect(item.hDC, &area, GetSysColorBrush(COLOR_BTNFACE));
        FillRect(item.hDC, &area, hatch.Get());
    } else {
        FillRect(item.hDC, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        if (preview_)
            PaintPicture(item.hDC, *preview_, area);
    }
    FrameRect(item.hDC, &area, GetSysColorBrush(COLOR_BTNSHADOW));
}

bool AppearancePage::HandleMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR& result)
{
    if (message != WM_DRAWITEM)
        return false;
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    result = TRUE;
    return true;
}

}  // namespace vardex
