#include "Texts.h"

#include <algorithm>
#include <utility>
#include <vector>

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

std::optional<TextId> TextIdOfEnglish(std::string_view english)
{
    // The English texts sorted once; tools/texts.py keeps each English text one text's.
    static const std::vector<std::pair<std::string_view, TextId>> sorted = [] {
        std::vector<std::pair<std::string_view, TextId>> texts;
        for (std::size_t i = 0; i < kEnglishTexts.size(); ++i)
            texts.emplace_back(kEnglishTexts[i], static_cast<TextId>(kFirstTextId + i));
        std::sort(texts.begin(), texts.end());
        return texts;
    }();
    const auto found = std::lower_bound(sorted.begin(), sorted.end(), english,
                                        [](const auto& text, std::string_view words) { return text.first < words; });
    if (found == sorted.end() || found->first != english)
        return std::nullopt;
    return found->second;
}

const Texts& EnglishTexts() noexcept
{
    static const Texts english;
    return english;
}

std::string Texts::Get(TextId id) const
{
    return EnglishText(id);
}

std::string Texts::Translate(std::string_view english) const
{
    const std::size_t first = english.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return std::string(english);
    const std::size_t end = english.find_last_not_of(' ') + 1;
    const std::optional<TextId> id = TextIdOfEnglish(english.substr(first, end - first));
    if (!id)
        return std::string(english);
    return std::string(english.substr(0, first)) + Get(*id) + std::string(english.substr(end));
}

}  // namespace vardex
