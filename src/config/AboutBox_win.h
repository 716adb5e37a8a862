#pragma once
// The about box: the program's name, version and what it does.
#include "win/MessagePump_win.h"

#include <windows.h>

namespace vardex {

void ShowAboutBox(MessagePump& pump, HWND owner);

}  // namespace vardex
