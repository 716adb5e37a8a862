#include "TemplateFit_win.h"

#include "win/ResourceTexts_win.h"
#include "win/TextConvert_win.h"
#include "win/WindowTexts_win.h"

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace vardex::test {

namespace {
INT_PTR CALLBACK QuietDialog(HWND, UINT message, WPARAM, LPARAM) noexcept
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

std::vector<WORD> DialogIds(HMODULE module)
{
    std::vector<WORD> ids;
    EnumResourceNamesW(module, MAKEINTRESOURCEW(5) /* RT_DIALOG */, [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR data) noexcept -> BOOL {
        if (IS_INTRESOURCE(name))
            reinterpret_cast<std::vector<WORD>*>(data)->push_back(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
        return TRUE;
    }, reinterpret_cast<LONG_PTR>(&ids));
    return ids;
}

// The room a control gives its words, in pixels, and how they are laid out there. Nothing for a
// control whose words are not the template's (a picture, an owner-drawn one).
struct Room {
    int width = 0, height = 0;
    UINT format = DT_SINGLELINE;
};

int DialogUnits(HWND dialog, int units)
{
    RECT rect{0, 0, units, 0};
    MapDialogRect(dialog, &rect);
    return rect.right;
}

std::optional<Room> RoomOf(HWND dialog, HWND control)
{
    wchar_t name[16] = L"";
    GetClassNameW(control, name, static_cast<int>(std::size(name)));
    RECT area;
    GetClientRect(control, &area);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
    Room room{area.right, area.bottom};
    if (lstrcmpiW(name, L"Static") == 0) {
        const DWORD kind = style & SS_TYPEMASK;
        if (kind != SS_LEFT && kind != SS_RIGHT && kind != SS_CENTER && kind != SS_LEFTNOWORDWRAP)
            return std::nullopt;
        room.format = (kind == SS_LEFTNOWORDWRAP ? DT_SINGLELINE : DT_WORDBREAK) | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
        return room;
    }
    if (lstrcmpiW(name, L"Button") != 0)
        return std::nullopt;
    switch (style & BS_TYPEMASK) {
    case BS_GROUPBOX: room.width -= 2 * DialogUnits(dialog, 4); break;  // the frame's corners
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE: room.width -= GetSystemMetrics(SM_CXMENUCHECK) + DialogUnits(dialog, 2); break;
    case BS_OWNERDRAW: return std::nullopt;
    default: room.width -= 2 * DialogUnits(dialog, 3); break;  // a push button's edges
    }
    room.format = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
    return room;
}

// What the words need in the control's font, laid out as the room lays them out.
SIZE Needs(HWND control, const std::wstring& words, const Room& room)
{
    const HDC dc = GetDC(control);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT rect{0, 0, room.width, 0};
    DrawTextW(dc, words.c_str(), -1, &rect, DT_CALCRECT | room.format);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {rect.right, rect.bottom};
}

// Prints each control of the dialog whose words do not fit it; how many.
int Misfits(WORD dialogId, HWND dialog)
{
    RECT client;
    GetClientRect(dialog, &client);
    int misfits = 0;
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        const std::wstring words = [control] {
            wchar_t text[1024] = L"";
            GetWindowTextW(control, text, static_cast<int>(std::size(text)));
            return std::wstring(text);
        }();
        const std::optional<Room> room = RoomOf(dialog, control);
        if (words.empty() || !room)
            continue;
        const SIZE needs = Needs(control, words, *room);
        RECT place;
        GetWindowRect(control, &place);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
        const bool inside = place.right <= client.right && place.bottom <= client.bottom;
        if (needs.cx <= room->width && needs.cy <= room->height && inside)
            continue;
        std::string line = Narrow(words);
        for (char& c : line)
            c = c == '\n' || c == '\t' ? '|' : c;
        std::printf("dialog %u control %d \"%s\" needs %ldx%ld, has %dx%d%s\n", dialogId, GetDlgCtrlID(control),
                    line.c_str(), needs.cx, needs.cy, room->width, room->height, inside ? "" : ", outside the dialog");
        ++misfits;
    }
    return misfits;
}
}  // namespace

int TemplateFit(const std::wstring& program, Language language)
{
    SetProcessDPIAware();
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_DATE_CLASSES};
    InitCommonControlsEx(&controls);
    const HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module)
        return 2;
    const ResourceTexts texts(language, module);
    // The pages' parent: hidden, as large as any window.
    const HWND host = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 4000, 3000, nullptr, nullptr, nullptr, nullptr);
    int misfits = 0, dialogs = 0;
    for (const WORD id : DialogIds(module)) {
        const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
        const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
        const auto* layout = loaded ? static_cast<const DLGTEMPLATE*>(LockResource(loaded)) : nullptr;
        const HWND dialog = layout ? CreateDialogIndirectParamW(module, layout, host, &QuietDialog, 0) : nullptr;
        if (!dialog) {
            std::printf("dialog %u cannot be made\n", id);
            ++misfits;
            continue;
        }
        TranslateDialog(dialog, texts);
        misfits += Misfits(id, dialog);
        ++dialogs;
        DestroyWindow(dialog);
    }
    DestroyWindow(host);
    FreeLibrary(module);
    std::printf("%d dialogs, %d misfits\n", dialogs, misfits);
    return misfits == 0 && dialogs > 0 ? 0 : 1;
}

}  // namespace vardex::test
