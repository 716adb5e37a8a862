#include "AppearancePage_win.h"

#include "common/Text.h"
#include "common/Texts.h"
#include "win/Picture_win.h"
#include "win/PromptDialog_win.h"
#include "win/TextConvert_win.h"
#include "config_ids.h"

#include <commdlg.h>

namespace vardex {

namespace {
namespace N = SettingNames;

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
}  // namespace

bool AppearancePage::LoadPreview(const std::string& path, bool report)
{
    preview_.reset();
    const bool exists = !path.empty() && FileExists(path);
    if (exists) {
        RECT frame;
        GetClientRect(Item(IDC_PREVIEW), &frame);
        preview_ = LoadBackgroundPicture(path, frame.right, frame.bottom);
        previewIsProgramPicture_ = SameTextAscii(path, programDirectory_ + kDefaultBackgroundName);
        if (!preview_ && report)
            errors_.ReportError(EnglishMessage(TextId::MessagePictureNotShown, {path}));
    }
    InvalidateRect(Item(IDC_PREVIEW), nullptr, FALSE);
    return exists;
}

void AppearancePage::Fill()
{
    const FillingScope filling(filling_);
    const std::string path = PictureInProgramFolder(std::get<std::string>(model_.Global(N::BackgroundFile)), programDirectory_);
    bool show = std::get<bool>(model_.Global(N::ShowBackground));
    // A picture that is not there is no choice at all: the name goes, and the box with it.
    const bool exists = LoadPreview(path, true);
    model_.SetGlobal(N::BackgroundFile, exists ? path : std::string());
    if (!exists)
        model_.SetGlobal(N::ShowBackground, show = false);
    SetDlgItemTextW(Handle(), IDC_BACK_IMAGE, exists ? Widen(path).c_str() : L"");
    SetChecked(Handle(), IDC_SHOW_BACK, show);
    FillStatus();
}

void AppearancePage::FillStatus()
{
    // Only shown here: a value is set (and so written) once the administrator changes it.
    HWND placement = Item(IDC_STATUS_PLACEMENT);
    SendMessageW(placement, CB_RESETCONTENT, 0, 0);
    for (const TextId choice : {TextId::AppearancePrimaryMonitor, TextId::AppearanceEveryMonitor, TextId::AppearanceNotShown})
        SendMessageW(placement, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(Words().Get(choice)).c_str()));
    SendMessageW(placement, CB_SETCURSEL, static_cast<WPARAM>(std::get<std::int32_t>(model_.Global(N::StatusPlacement))), 0);
    const bool warnings = std::get<bool>(model_.Global(N::EndWarnings));
    SetChecked(Handle(), IDC_END_WARNINGS, warnings);
    SetDlgItemTextW(Handle(), IDC_WARNING_MINUTES, Widen(std::get<std::string>(model_.Global(N::EndWarningMinutes))).c_str());
    EnableWindow(Item(IDC_WARNING_MINUTES), warnings);
}

void AppearancePage::WarningMinutesChange()
{
    // Taken once it reads as minutes: a list half typed keeps the last whole one.
    const std::string text = Narrow(ItemText(Handle(), IDC_WARNING_MINUTES));
    if (Filling() || !ParseWarningMinutes(text))
        return;
    model_.SetGlobal(N::EndWarningMinutes, text);
    DataChange();
}

void AppearancePage::BackImageChange()
{
    // Stored as the lock service will find it: it opens the file from a folder of its own.
    const std::string path = PictureInProgramFolder(Narrow(ItemText(Handle(), IDC_BACK_IMAGE)), programDirectory_);
    model_.SetGlobal(N::BackgroundFile, path);
    LoadPreview(path, !Filling());
    DataChange();
}

void AppearancePage::Browse()
{
    wchar_t file[MAX_PATH] = L"";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = GetAncestor(Handle(), GA_ROOT);
    const std::wstring filter = FileFilter({{Words().Get(TextId::AppearanceAllImages), "*.bmp;*.jpg;*.jpeg"},
                                            {Words().Get(TextId::AppearanceBitmaps), "*.bmp"},
                                            {Words().Get(TextId::AppearanceJpegs), "*.jpg;*.jpeg"}});
    const std::wstring title = Widen(Words().Get(TextId::AppearanceChooseImage));
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = title.c_str();
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
    case IDC_STATUS_PLACEMENT:
        if (code == CBN_SELCHANGE && !Filling()) {
            const LRESULT chosen = SendMessageW(Item(IDC_STATUS_PLACEMENT), CB_GETCURSEL, 0, 0);
            if (chosen >= 0) {
                model_.SetGlobal(N::StatusPlacement, static_cast<std::int32_t>(chosen));
                DataChange();
            }
        }
        return true;
    case IDC_END_WARNINGS:
        if (code == BN_CLICKED) {
            model_.SetGlobal(N::EndWarnings, IsChecked(Handle(), IDC_END_WARNINGS));
            EnableWindow(Item(IDC_WARNING_MINUTES), IsChecked(Handle(), IDC_END_WARNINGS));
            DataChange();
        }
        return true;
    case IDC_WARNING_MINUTES:
        if (code == EN_CHANGE)
            WarningMinutesChange();
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
        if (preview_) {
            PaintPicture(item.hDC, *preview_, area);
            if (previewIsProgramPicture_)
                PaintProgramTitle(item.hDC, area);
        }
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
