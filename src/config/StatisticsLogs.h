#pragma once
// The statistics view's sources: one log file per user in the program's folder, and the hot-key
// field's value as the stored shortcut code.
#include "common/Files.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vardex {

// The user keys that have a log ("name.log" in the folder), sorted ignoring letter case.
std::vector<std::string> StatisticsUsers(FileSystem& files, const std::string& programDirectory);

// The hot-key control's value (virtual key in the low byte; Shift 1, Ctrl 2, Alt 4 in the high
// byte) as the shortcut code the lock service stores (Shift 0x2000, Ctrl 0x4000, Alt 0x8000),
// and back.
std::uint16_t ShortcutFromHotKeyField(std::uint16_t fieldValue) noexcept;
std::uint16_t HotKeyFieldFromShortcut(std::uint16_t code) noexcept;

}  // namespace vardex
