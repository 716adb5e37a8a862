#include "ScreenSaverMode.h"

#include "common/DStorage.h"
#include "common/RegValues.h"

namespace vardex {

std::string FindConfiguredScreenSaver(SystemFacts& system, Registry& registry, FileSystem& files)
{
    std::string saver;
    if (IsNtFamily(system)) {
        saver = ReadRegValueText(registry, RootKey::CurrentUser, "Control Panel\\Desktop", "SCRNSAVE.EXE");
    } else {
        TDStorage storage(files, system.WindowsDirectory() + "system.ini");
        storage.ReadValue("boot", "SCRNSAVE.EXE", saver);
    }
    return saver;
}

}  // namespace vardex
