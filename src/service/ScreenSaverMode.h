#pragma once
// The screen-saver lock mode: instead of its own lock screen the service starts the screen saver
// that Windows has configured (the companion locks through the service when it is that one).
#include "common/Files.h"
#include "common/Registry.h"
#include "common/SystemFacts.h"

#include <string>

namespace vardex {

// The configured screen saver: the user's desktop setting on the NT family, the "boot" section
// of system.ini in the Windows directory on 9x (a missing file is created empty). Empty when
// none is configured; IoError when system.ini cannot be read.
std::string FindConfiguredScreenSaver(SystemFacts& system, Registry& registry, FileSystem& files);

}  // namespace vardex
