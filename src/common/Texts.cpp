#include "Texts.h"

namespace vardex {

Language LanguageOfLanguageId(unsigned languageId) noexcept
{
    // The primary language is the low 10 bits of a language id.
    switch (languageId & 0x3FF) {
    case 0x07: return Language::German;
    case 0x0C: return Language::French;
    case 0x0A: return Language::Spanish;
    default: return Language::English;
    }
}

std::optional<std::optional<Language>> ParseLanguageSetting(std::string_view text) noexcept
{
    if (text.empty())
        return std::optional<Language>();
    if (text == "en")
        return std::optional<Language>(Language::English);
    if (text == "de")
        return std::optional<Language>(Language::German);
    if (text == "fr")
        return std::optional<Language>(Language::French);
    if (text == "es")
        return std::optional<Language>(Language::Spanish);
    return std::nullopt;
}

Language ChooseLanguage(std::string_view forced, unsigned userUiLanguageId) noexcept
{
    const std::optional<std::optional<Language>> setting = ParseLanguageSetting(forced);
    if (setting && *setting)
        return **setting;
    return LanguageOfLanguageId(userUiLanguageId);
}

std::string FillIn(std::string_view pattern, std::initializer_list<std::string_view> arguments)
{
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const bool placeholder = pattern[i] == '{' && i + 2 < pattern.size() && pattern[i + 2] == '}' &&
                                 pattern[i + 1] >= '1' && pattern[i + 1] <= '9';
        const auto index = placeholder ? static_cast<std::size_t>(pattern[i + 1] - '1') : arguments.size();
        if (index < arguments.size()) {
            text += arguments.begin()[index];
            i += 2;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

const char* EnglishText(TextId id) noexcept
{
    const std::size_t index = static_cast<std::size_t>(id) - kFirstTextId;
    return index < kEnglishTexts.size() ? kEnglishTexts[index] : "";
}

std::string Texts::Get(TextId id) const
{
    return EnglishText(id);
}

}  // namespace vardex
