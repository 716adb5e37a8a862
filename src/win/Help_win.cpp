#include "Help_win.h"

#include "Files_win.h"
#include "TextConvert_win.h"
#include "help/help_ids.h"

#include <htmlhelp.h>

#include <string>

namespace vardex {

namespace {
using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

// The library stays loaded for the life of the program once the help was shown: its windows
// live in this process.
HMODULE helpLibrary = nullptr;

HtmlHelpFunction HtmlHelp(bool load) noexcept
{
    if (!helpLibrary && load)
        helpLibrary = LoadLibraryW(L"hhctrl.ocx");
    if (!helpLibrary)
        return nullptr;
    return reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(GetProcAddress(helpLibrary, "HtmlHelpW")));
}

std::wstring HelpFile(Language language)
{
    const std::wstring folder = Widen(ProgramDirectory());
    const std::wstring own = folder + Widen(LanguageFolder(language)) + L"\\" + kHelpFileName;
    if (language != Language::English && GetFileAttributesW(own.c_str()) != INVALID_FILE_ATTRIBUTES)
        return own;
    return folder + kHelpFileName;
}

bool Show(HWND owner, UINT command, DWORD_PTR data, Language language) noexcept
{
    try {
        const HtmlHelpFunction help = HtmlHelp(true);
        if (!help)
            return false;
        const std::wstring file = HelpFile(language);
        return help(owner, file.c_str(), command, data) != nullptr;
    } catch (...) {
        return false;
    }
}
}  // namespace

bool ShowHelpTopic(HWND owner, int topic, Language language) noexcept
{
    return Show(owner, HH_HELP_CONTEXT, static_cast<DWORD_PTR>(topic), language);
}

bool ShowHelpContents(HWND owner, Language language) noexcept
{
    return Show(owner, HH_DISPLAY_TOC, 0, language);
}

void CloseHelp() noexcept
{
    if (const HtmlHelpFunction help = HtmlHelp(false))
        help(nullptr, nullptr, HH_CLOSE_ALL, 0);
}

}  // namespace vardex
