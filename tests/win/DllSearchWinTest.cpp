// Where the programs take DLLs from: those loaded by name from the system folder only once the
// search is restricted, delay-loaded ones by their full path there.
#include "common/DllSearch_win.h"
#include "common/Files_win.h"
#include "common/TextConvert_win.h"

#include <delayimp.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace vardex {
namespace {

// Built beside the tests (planted_win.cpp).
constexpr const wchar_t* kPlantedName = L"vardexplanted.dll";

std::wstring ModulePath(HMODULE module)
{
    wchar_t path[MAX_PATH];
    return std::wstring(path, GetModuleFileNameW(module, path, MAX_PATH));
}

std::wstring SystemFolder()
{
    wchar_t path[MAX_PATH];
    return std::wstring(path, GetSystemDirectoryW(path, MAX_PATH)) + L"\\";
}

HMODULE LoadDelayed(const char* name, unsigned notice = dliNotePreLoadLibrary)
{
    DelayLoadInfo info{};
    info.cb = sizeof info;
    info.szDll = name;
    return reinterpret_cast<HMODULE>(__pfnDliNotifyHook2(notice, &info));
}

TEST(DllSearchWin, ADllBesideTheProgramIsFoundByNameOnlyUntilTheSearchIsRestricted)
{
    const std::filesystem::path marker = std::filesystem::path(Widen(ProgramDirectory())) / L"vardexplanted.dll.loaded";
    const HMODULE planted = LoadLibraryW(kPlantedName);
    ASSERT_NE(planted, nullptr) << "the planted DLL is built beside the tests";
    FreeLibrary(planted);
    EXPECT_TRUE(std::filesystem::remove(marker)) << "its DllMain ran";

    RestrictDllSearchToSystem();
    EXPECT_EQ(LoadLibraryW(kPlantedName), nullptr);
    EXPECT_FALSE(std::filesystem::exists(marker));
    // Its own full path still loads it: only the search changed.
    const HMODULE byPath = LoadLibraryW((Widen(ProgramDirectory()) + kPlantedName).c_str());
    EXPECT_NE(byPath, nullptr);
    FreeLibrary(byPath);
    std::filesystem::remove(marker);
}

TEST(DllSearchWin, DelayLoadedDllsComeFromTheSystemFolderByTheirFullPath)
{
    RestrictDllSearchToSystem();
    ASSERT_NE(__pfnDliNotifyHook2, nullptr);
    const HMODULE version = LoadDelayed("version.dll");
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(ModulePath(version), SystemFolder() + L"version.dll");
    FreeLibrary(version);
    EXPECT_EQ(LoadDelayed("vardexplanted.dll"), nullptr) << "none of that name in the system folder";
    EXPECT_EQ(LoadDelayed("version.dll", dliNotePreGetProcAddress), nullptr) << "only the library's load is taken";
    // A function of a delay-loaded DLL (version.dll, through vardex_common_win) still answers.
    EXPECT_GT(GetFileVersionInfoSizeW((SystemFolder() + L"kernel32.dll").c_str(), nullptr), 0u);
}

}  // namespace
}  // namespace vardex
