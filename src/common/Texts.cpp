#include "Texts.h"

#include <algorithm>
#include <array>
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

const char* LanguageFolder(Language language) noexcept
{
    switch (language) {
    case Language::German: return "de";
    case Language::French: return "fr";
    case Language::Spanish: return "es";
    case Language::English: break;
    }
    return "";
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

namespace {
constexpr std::size_t kMostPlaceholders = 9;

std::size_t NextPlaceholder(std::string_view pattern, std::size_t from) noexcept
{
    for (std::size_t at = pattern.find('{', from); at != std::string_view::npos; at = pattern.find('{', at + 1))
        if (at + 2 < pattern.size() && pattern[at + 2] == '}' && pattern[at + 1] >= '1' && pattern[at + 1] <= '9')
            return at;
    return std::string_view::npos;
}

// What was filled into each placeholder ({1} first) where text is the pattern with every
// placeholder filled by one character or more; the words between are found leftmost.
std::optional<std::array<std::string_view, kMostPlaceholders>> FilledIn(std::string_view pattern, std::string_view text)
{
    std::array<std::string_view, kMostPlaceholders> parts{};
    std::size_t at = 0;
    std::size_t from = 0;
    int open = -1;  // the placeholder whose part ends where the next words begin
    for (;;) {
        const std::size_t next = NextPlaceholder(pattern, from);
        const std::string_view words = pattern.substr(from, next - from);
        if (open < 0) {
            if (!text.starts_with(words))
                return std::nullopt;
            at = words.size();
        } else if (next == std::string_view::npos) {
            if (text.size() < at + 1 + words.size() || !text.ends_with(words))
                return std::nullopt;
            parts[static_cast<std::size_t>(open)] = text.substr(at, text.size() - words.size() - at);
            return parts;
        } else {
            const std::size_t found = text.find(words, at + 1);
            if (found == std::string_view::npos)
                return std::nullopt;
            parts[static_cast<std::size_t>(open)] = text.substr(at, found - at);
            at = found + words.size();
        }
        if (next == std::string_view::npos)
            return at == text.size() ? std::optional(parts) : std::nullopt;
        open = pattern[next + 1] - '1';
        from = next + 3;
    }
}

std::size_t FixedWords(std::string_view pattern) noexcept
{
    std::size_t placeholders = 0;
    for (std::size_t at = NextPlaceholder(pattern, 0); at != std::string_view::npos; at = NextPlaceholder(pattern, at + 3))
        ++placeholders;
    return pattern.size() - 3 * placeholders;
}
}  // namespace

namespace {
// The message patterns, those of the most fixed words first: a short one that fits as well (a
// sentence with "{1} of {2}") loses to the message's own.
const std::vector<TextId>& MessagePatterns()
{
    static const std::vector<TextId> patterns = [] {
        std::vector<TextId> ids(kMessageTexts.begin(), kMessageTexts.end());
        std::stable_sort(ids.begin(), ids.end(),
                         [](TextId a, TextId b) { return FixedWords(EnglishText(a)) > FixedWords(EnglishText(b)); });
        return ids;
    }();
    return patterns;
}

std::optional<std::string> TranslatePattern(const Texts& texts, std::string_view english);

// What was filled in: a message in its own right (who a message is about, its reason) is
// translated too; anything else is a name or a value, and stays as it is.
std::string TranslateFilledIn(const Texts& texts, std::string_view part)
{
    if (const std::optional<TextId> id = TextIdOfEnglish(part);
        id && std::find(kMessageTexts.begin(), kMessageTexts.end(), *id) != kMessageTexts.end())
        return texts.Get(*id);
    return TranslatePattern(texts, part).value_or(std::string(part));
}

std::optional<std::string> TranslatePattern(const Texts& texts, std::string_view english)
{
    for (const TextId id : MessagePatterns())
        if (const auto p = FilledIn(EnglishText(id), english)) {
            std::array<std::string, kMostPlaceholders> parts;
            for (std::size_t i = 0; i < kMostPlaceholders; ++i)
                parts[i] = (*p)[i].empty() ? std::string() : TranslateFilledIn(texts, (*p)[i]);
            return texts.Format(id, {parts[0], parts[1], parts[2], parts[3], parts[4], parts[5], parts[6], parts[7],
                                     parts[8]});
        }
    return std::nullopt;
}
}  // namespace

std::string Texts::TranslateMessage(std::string_view english) const
{
    if (const std::optional<TextId> id = TextIdOfEnglish(english))
        return Get(*id);
    return TranslatePattern(*this, english).value_or(std::string(english));
}

}  // namespace vardex
