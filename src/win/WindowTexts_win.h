#pragma once
// Dialogs and menus in the user's language. Their templates are English, each text an English
// text of the programs (tools/texts.py checks it), so one template serves every language: the
// words are looked up by their English ones when the window is made.
#include "common/Texts.h"

#include <windows.h>

namespace vardex {

// The dialog's caption and its own labels, buttons and group boxes (not what the user types in
// edits and lists, nor a child page's, which translates itself).
void TranslateDialog(HWND dialog, const Texts& texts);
// The menu's items and those of its submenus.
void TranslateMenu(HMENU menu, const Texts& texts);
// A menu resource of the program, translated; the caller destroys it.
HMENU LoadTranslatedMenu(int menuId, const Texts& texts);

}  // namespace vardex
