#pragma once
// Where a program looks for the DLLs it loads by name: in the system folder only. Its own folder,
// the current folder and the PATH may hold a DLL planted under a system DLL's name, which would
// run inside the program (as SYSTEM in the guardian).
#include <windows.h>

namespace vardex {

// The first statement of every program's entry point. SetDefaultDllDirectories restricts every
// later search to the system folder where Windows has it (Windows 7 only with update KB2533623);
// elsewhere SetDllDirectoryW(L"") at least takes the current folder off the search. The system
// DLLs the programs import are delay-loaded (cmake/DelayLoad.cmake), and those are loaded from
// the system folder by their full path in either case.
void RestrictDllSearchToSystem() noexcept;

// The system folder's copy of a DLL, loaded by its full path (its own imports are searched from
// there); nullptr when the system folder has none of that name.
HMODULE LoadSystemLibrary(const char* name) noexcept;

}  // namespace vardex
