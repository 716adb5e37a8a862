#pragma once
// The texts a person reads, in their language: English (the neutral language, compiled in) or
// one of the translations the Windows programs carry as string tables (resources/texts, made
// into TextIds.h and texts.rc by tools/texts.py). Texts that are data (the statistics log's
// words, the settings' names, the schedule text) are not among them.
#include "TextIds.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace vardex {

enum class Language { English, German, French, Spanish };

// The language of a Windows language id (by its primary language); English for any other.
Language LanguageOfLanguageId(unsigned languageId) noexcept;
// The language's folder of the help beside the programs: "de", "fr", "es"; "" for English.
const char* LanguageFolder(Language language) noexcept;
// The administrator's choice as stored: "" for the user's own language, or "en", "de", "fr",
// "es"; nothing for any other text.
std::optional<std::optional<Language>> ParseLanguageSetting(std::string_view text) noexcept;
// The forced language where one is set (and readable), else the user's UI language.
Language ChooseLanguage(std::string_view forced, unsigned userUiLanguageId) noexcept;

// The pattern with {1} ... {9} replaced by the arguments in order; a placeholder without an
// argument stays as it is.
std::string FillIn(std::string_view pattern, std::initializer_list<std::string_view> arguments);

class Texts {
public:
    virtual ~Texts() = default;
    // The text in this catalogue's language; English where it has none.
    virtual std::string Get(TextId id) const;
    virtual Language Of() const noexcept { return Language::English; }
    std::string Format(TextId id, std::initializer_list<std::string_view> arguments) const
    {
        return FillIn(Get(id), arguments);
    }
    // The words of a dialog template or a menu in this language, found by their English words:
    // the blanks around them are kept, and words that are no text of the programs (a name) stay.
    std::string Translate(std::string_view english) const;
    // A message the programs made in English (a text, or a message text with what was filled
    // in) in this language; any other text as it is.
    std::string TranslateMessage(std::string_view english) const;
};

// The text n places after first, of a run of texts in order (the weekdays, the months).
constexpr TextId NthText(TextId first, int n) noexcept
{
    return static_cast<TextId>(static_cast<int>(first) + n);
}

// The English text, as compiled in.
const char* EnglishText(TextId id) noexcept;
// The text whose English words these are.
std::optional<TextId> TextIdOfEnglish(std::string_view english);
// The texts in English.
const Texts& EnglishTexts() noexcept;
// A message as the programs make it: in English, with what is filled in.
inline std::string EnglishMessage(TextId id, std::initializer_list<std::string_view> filledIn)
{
    return EnglishTexts().Format(id, filledIn);
}

}  // namespace vardex
