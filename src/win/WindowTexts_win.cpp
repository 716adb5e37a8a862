#include "WindowTexts_win.h"

#include "Controls_win.h"
#include "TextConvert_win.h"

#include <string>

namespace vardex {

namespace {
void TranslateText(HWND window, const Texts& texts)
{
    const std::wstring english = WindowText(window);
    if (english.empty())
        return;
    const std::wstring translated = Widen(texts.Translate(Narrow(english)));
    if (translated != english)
        SetWindowTextW(window, translated.c_str());
}

// Only the template's words: an edit's or a list's text is the user's.
bool HoldsTemplateWords(HWND control)
{
    wchar_t name[16] = L"";
    GetClassNameW(control, name, static_cast<int>(std::size(name)));
    return lstrcmpiW(name, L"Static") == 0 || lstrcmpiW(name, L"Button") == 0;
}
}  // namespace

void TranslateDialog(HWND dialog, const Texts& texts)
{
    TranslateText(dialog, texts);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (HoldsTemplateWords(child))
            TranslateText(child, texts);
}

void TranslateMenu(HMENU menu, const Texts& texts)
{
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t english[256] = L"";
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_STRING | MIIM_SUBMENU;
        item.dwTypeData = english;
        item.cch = static_cast<UINT>(std::size(english));
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item))
            continue;
        if (item.hSubMenu)
            TranslateMenu(item.hSubMenu, texts);
        if (!english[0])
            continue;
        const std::wstring translated = Widen(texts.Translate(Narrow(english)));
        if (translated == english)
            continue;
        MENUITEMINFOW words{};
        words.cbSize = sizeof words;
        words.fMask = MIIM_STRING;
        words.dwTypeData = const_cast<wchar_t*>(translated.c_str());
        SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &words);
    }
}

HMENU LoadTranslatedMenu(int menuId, const Texts& texts)
{
    const HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(menuId));
    if (menu)
        TranslateMenu(menu, texts);
    return menu;
}

}  // namespace vardex
