#pragma once
// The texts of a language from the program's string tables (made from resources/texts); English,
// the neutral language, for a language or a text the program does not carry.
#include "common/Texts.h"

#include <string>
#include <vector>

namespace vardex {

class ResourceTexts final : public Texts {
public:
    explicit ResourceTexts(Language language);
    std::string Get(TextId id) const override;
    Language Of() const noexcept { return language_; }

private:
    Language language_;
    std::vector<std::string> texts_;  // by id from kFirstTextId; empty: none in the table
};

// The user's language for the programs' texts: the forced one of the settings (PLLG) where set,
// else the user's UI language.
Language ProgramLanguage(const std::string& forced) noexcept;

}  // namespace vardex
