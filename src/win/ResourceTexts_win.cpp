#include "ResourceTexts_win.h"

#include "TextConvert_win.h"

#include <windows.h>

namespace vardex {

namespace {
WORD PrimaryLanguage(Language language) noexcept
{
    switch (language) {
    case Language::German: return LANG_GERMAN;
    case Language::French: return LANG_FRENCH;
    case Language::Spanish: return LANG_SPANISH;
    case Language::English: break;
    }
    return LANG_NEUTRAL;
}

// The string of the id in the table block of the language; empty when there is none. A block
// holds 16 strings, each its length in characters and then the characters.
std::string TableText(HMODULE module, WORD language, unsigned id)
{
    const HRSRC found = FindResourceExW(module, MAKEINTRESOURCEW(6) /* RT_STRING */,
                                        MAKEINTRESOURCEW(id / 16 + 1), MAKELANGID(language, SUBLANG_NEUTRAL));
    const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* block = loaded ? static_cast<const WCHAR*>(LockResource(loaded)) : nullptr;
    const DWORD size = found ? SizeofResource(module, found) / sizeof(WCHAR) : 0;
    if (!block)
        return {};
    DWORD at = 0;
    for (unsigned index = 0; index < id % 16 && at < size; ++index)
        at += 1 + block[at];
    if (at >= size || at + 1 + block[at] > size)
        return {};
    return Narrow(std::wstring_view(block + at + 1, block[at]));
}
}  // namespace

ResourceTexts::ResourceTexts(Language language, HMODULE module) : language_(language)
{
    if (language == Language::English)
        return;
    if (!module)
        module = GetModuleHandleW(nullptr);
    texts_.resize(kEnglishTexts.size());
    for (std::size_t i = 0; i < texts_.size(); ++i)
        texts_[i] = TableText(module, PrimaryLanguage(language), static_cast<unsigned>(kFirstTextId + i));
}

std::string ResourceTexts::Get(TextId id) const
{
    const std::size_t index = static_cast<std::size_t>(id) - kFirstTextId;
    if (index < texts_.size() && !texts_[index].empty())
        return texts_[index];
    return Texts::Get(id);
}

Language ProgramLanguage(const std::string& forced) noexcept
{
    return ChooseLanguage(forced, GetUserDefaultUILanguage());
}

std::string ForcedLanguage(const char* keyPath, const char* valueName)
{
    wchar_t forced[8] = L"";
    DWORD size = sizeof forced;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, Widen(keyPath).c_str(), Widen(valueName).c_str(), RRF_RT_REG_SZ, nullptr,
                     forced, &size) != ERROR_SUCCESS)
        return {};
    return Narrow(forced);
}

Language ProgramLanguage(const char* keyPath, const char* valueName)
{
    return ProgramLanguage(ForcedLanguage(keyPath, valueName));
}

}  // namespace vardex
