#pragma once
// The texts of a language from the program's string tables (made from resources/texts); English,
// the neutral language, for a language or a text the program does not carry.
#include "common/Texts.h"

#include <windows.h>

#include <string>
#include <vector>

namespace vardex {

class ResourceTexts final : public Texts {
public:
    // From the string tables of module; the program's own when none is given.
    explicit ResourceTexts(Language language, HMODULE module = nullptr);
    std::string Get(TextId id) const override;
    Language Of() const noexcept override { return language_; }

private:
    Language language_;
    std::vector<std::string> texts_;  // by id from kFirstTextId; empty: none in the table
};

// The user's language for the programs' texts: the forced one of the settings (PLLG) where set,
// else the user's UI language.
Language ProgramLanguage(const std::string& forced) noexcept;
// The forced language as stored in the value valueName of the settings key keyPath (under
// HKEY_LOCAL_MACHINE), for a program that does not load the settings; "" where none is.
std::string ForcedLanguage(const char* keyPath, const char* valueName);
// The user's language for a program that does not load the settings.
Language ProgramLanguage(const char* keyPath, const char* valueName);

}  // namespace vardex
