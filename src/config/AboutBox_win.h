#pragma once
// The about box: the program's name, version and what it does.
#include "win/MessagePump_win.h"

#include "common/Texts.h"

#include <windows.h>

namespace vardex {

void ShowAboutBox(MessagePump& pump, HWND owner, const Texts& texts);

}  // namespace vardex
