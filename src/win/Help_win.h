#pragma once
// The program's help, ombrel.chm in the program's folder, shown through the system's HTML help
// (hhctrl.ocx, looked up when it is needed so that the program stays standalone).
#include <windows.h>

namespace vardex {

// Opens the help on a topic number; false when the help or the topic cannot be shown.
bool ShowHelpTopic(HWND owner, int topic) noexcept;
// Opens the help's contents.
bool ShowHelpContents(HWND owner) noexcept;
// Closes every help window the program opened (before it ends).
void CloseHelp() noexcept;

}  // namespace vardex
