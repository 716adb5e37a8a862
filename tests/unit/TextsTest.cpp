// The texts in a person's language: which language, and the filling in of a text's places.
#include "common/Texts.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

TEST(Texts, TheForcedLanguageWinsOverTheUsersAndEnglishIsTheRest)
{
    struct Case {
        const char* forced;
        unsigned userLanguage;
        Language chosen;
    } cases[] = {
        {"", 0x0407, Language::German},   // de-DE
        {"", 0x0807, Language::German},   // de-CH: the primary language counts
        {"", 0x040C, Language::French},   {"", 0x0C0A, Language::Spanish}, {"", 0x0409, Language::English},
        {"", 0x0411, Language::English},  // Japanese: no translation, English
        {"fr", 0x0407, Language::French}, {"en", 0x0407, Language::English},
        {"xx", 0x0407, Language::German},  // an unreadable setting forces nothing
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseLanguage(c.forced, c.userLanguage), c.chosen) << c.forced << " " << c.userLanguage;
    EXPECT_FALSE(ParseLanguageSetting("DE"));
    const auto own = ParseLanguageSetting("");
    EXPECT_TRUE(own && !*own) << "empty: the user's own";
}

TEST(Texts, PlacesAreFilledInTheirOrderInTheText)
{
    EXPECT_EQ(FillIn("Heute noch {1} (bis {2})", {"1 Std.", "18:00"}), "Heute noch 1 Std. (bis 18:00)");
    EXPECT_EQ(FillIn("{2} after {1}", {"a", "b"}), "b after a");
    EXPECT_EQ(FillIn("{1} {3} {0} {", {"x"}), "x {3} {0} {") << "places without an argument stay";
    const Texts english;
    EXPECT_EQ(english.Format(TextId::StatusLeftToday, {"1 h 20 min", "18:00"}), "1 h 20 min left today (until 18:00)");
    EXPECT_STREQ(EnglishText(TextId::UnlockHint), "Press any key or click to unlock");
}

}  // namespace
}  // namespace vardex
