#pragma once
// The program's help, ombrel.chm in the program's folder (English) or in its language's folder
// beside it ("de", "fr", "es"), shown through the system's HTML help (hhctrl.ocx, looked up when
// it is needed so that the program stays standalone).
#include "common/Texts.h"

#include <windows.h>

namespace vardex {

// Opens the help in the language on a topic number (the English help where the language's is
// missing); false when the help or the topic cannot be shown.
bool ShowHelpTopic(HWND owner, int topic, Language language) noexcept;
// Opens the help's contents.
bool ShowHelpContents(HWND owner, Language language) noexcept;
// Closes every help window the program opened (before it ends).
void CloseHelp() noexcept;

}  // namespace vardex
