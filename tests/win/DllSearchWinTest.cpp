// Where the programs take DLLs from: those loaded by name from the system folder only once the
// search is restricted, delay-loaded ones by their full path there.
#include "win/DllSearch_win.h"
#include "win/Files_win.h"
#include "win/TextConvert_win.h"

#include <delayimp.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace vardex {
namespace {

HMODULE LoadDelayed(const char* name, unsigned notice = dliNotePreLoadLibrary)
{
    DelayLoadInfo info{};
    info.cb = sizeof info;
    info.szDll = name;
    return reinterpret_cast<HMODULE>(__pfnDliNotifyHook2(notice, &info));
}

TEST(DllSearchWin, ADllBesideTheProgramIsFoundByNameOnlyUntilTheSearchIsRestricted)
{
    // vardexplanted.dll is built beside the tests (planted_win.cpp).
    const std::filesystem::path marker = std::filesystem::path(Widen(ProgramDirectory())) / L"vardexplanted.dll.loaded";
    const HMODULE planted = LoadLibraryW(L"vardexplanted.dll");
    ASSERT_NE(planted, nullptr);
    FreeLibrary(planted);
    EXPECT_TRUE(std::filesystem::remove(marker)) << "its DllMain ran";

    RestrictDllSearchToSystem();
    EXPECT_EQ(LoadLibraryW(L"vardexplanted.dll"), nullptr);
    EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST(DllSearchWin, DelayLoadedDllsComeFromTheSystemFolderByTheirFullPath)
{
    RestrictDllSearchToSystem();
    wchar_t system[MAX_PATH], loaded[MAX_PATH];
    const std::wstring version = std::wstring(system, GetSystemDirectoryW(system, MAX_PATH)) + L"\\version.dll";
    const HMODULE module = LoadDelayed("version.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(std::wstring(loaded, GetModuleFileNameW(module, loaded, MAX_PATH)), version);
    FreeLibrary(module);
    EXPECT_EQ(LoadDelayed("vardexplanted.dll"), nullptr) << "none of that name in the system folder";
    EXPECT_EQ(LoadDelayed("version.dll", dliNotePreGetProcAddress), nullptr) << "only the library's load is taken";
    // A function of a delay-loaded DLL (version.dll, through vardex_common_win) still answers.
    EXPECT_GT(GetFileVersionInfoSizeW(version.c_str(), nullptr), 0u);
}

}  // namespace
}  // namespace vardex
