#include "DllSearch_win.h"

#include <delayimp.h>

#include <cstring>

namespace vardex {

namespace {
// Whether the program's manifest redirects the DLL to a side-by-side assembly (the common
// controls): only a load by name takes the assembly's copy, a full path the system folder's older
// one.
bool RedirectedByManifest(const char* name) noexcept
{
    ACTCTX_SECTION_KEYED_DATA found{};
    found.cbSize = sizeof found;
    return FindActCtxSectionStringA(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, name, &found) != FALSE;
}

// Called by the delay-load helper before its own LoadLibraryA, which would search the program's
// folder first where the default directories could not be set. A null answer lets the helper go
// on as it would have.
FARPROC WINAPI LoadDelayedFromSystem(unsigned notice, PDelayLoadInfo info)
{
    if (notice != dliNotePreLoadLibrary || RedirectedByManifest(info->szDll))
        return nullptr;
    return reinterpret_cast<FARPROC>(LoadSystemLibrary(info->szDll));
}
}  // namespace

void RestrictDllSearchToSystem() noexcept
{
    using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDirectories = reinterpret_cast<SetDefaultDirectories>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (!setDefaultDirectories || !setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryW(L"");
    __pfnDliNotifyHook2 = LoadDelayedFromSystem;
}

HMODULE LoadSystemLibrary(const char* name) noexcept
{
    wchar_t path[MAX_PATH];
    const std::size_t folderLength = GetSystemDirectoryW(path, MAX_PATH);
    const std::size_t nameLength = std::strlen(name);
    if (folderLength == 0 || folderLength + 1 + nameLength >= MAX_PATH)
        return nullptr;
    path[folderLength] = L'\\';
    // The names the loader hands over are ASCII: each byte is its character.
    for (std::size_t i = 0; i <= nameLength; ++i)
        path[folderLength + 1 + i] = static_cast<unsigned char>(name[i]);
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace vardex
