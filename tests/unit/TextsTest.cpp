// The texts in a person's language: which language, the filling in of a text's places, and the
// windows' words, which come whole from the catalogue.
#include "common/Errors.h"
#include "common/Texts.h"
#include "config/ConfigModel.h"
#include "config/ConfigTree.h"
#include "config/Schedule.h"
#include "config/Settings.h"
#include "config/UsageChart.h"
#include "rules/WeekRules.h"

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

// A catalogue that marks each text, so that a word not taken from it shows.
class MarkedTexts final : public Texts {
public:
    std::string Get(TextId id) const override { return "<" + Texts::Get(id) + ">"; }
};

TEST(Texts, TemplateWordsAreFoundByTheirEnglishAndNamesStay)
{
    const MarkedTexts marked;
    EXPECT_EQ(marked.Translate(" Week "), " <Week> ") << "a group box's blanks stay";
    EXPECT_EQ(marked.Translate("&Apply Settings\tCtrl+S"), "<&Apply Settings\tCtrl+S>");
    for (const char* kept : {"PC Vardex", "", "  ", "anna", "week"})
        EXPECT_EQ(marked.Translate(kept), kept);
    EXPECT_EQ(TextIdOfEnglish("Week"), TextId::UserWeek);
}

TEST(Texts, MessagesMadeInEnglishAreShownInTheReadersLanguageWithWhatWasFilledIn)
{
    const MarkedTexts marked;
    const struct {
        std::string made, shown;
    } cases[] = {
        {"Incorrect Password", "<Incorrect Password>"},
        {"Invalid time period!", "<Invalid time period!>"},  // a window's text, whole
        {UnreadablePeriodText("8h - 9h"), "<Invalid time period '8h - 9h'>"},
        {RegistryError::InvalidDataType("User1PAPW").what(), "<Invalid data type for 'User1PAPW'>"},
        {EnglishTexts().Format(TextId::MessageLogNotCleared, {"of anna"}), "<The log of of anna could not be cleared.>"},
        {EnglishTexts().Format(TextId::MessageTooManyWrong, {"30"}), "<Too many wrong passwords. Try again in 30 s.>"},
        {UnreadablePeriodText("{2}"), "<Invalid time period '{2}'>"},  // what was filled in is no place
        {"The disk is full", "The disk is full"},
        // What was filled in is translated where it is a message itself, to any depth; a name
        // stays, even one that is a word of a window ("Week").
        {"The lock service of Week in session 2 ended; it is started again, locked.",
         "<The lock service <of Week in session 2> ended; it is started again, locked.>"},
        {"Refused settings from anna's process 12 in session 2: the value PAPW is not of its form.",
         "<Refused settings from <anna's process 12 in session 2>: <the value PAPW is <not of its form>>.>"},
        {"Cannot write C:\\Vardex\\User1.log: " + IoErrorText(101), "<Cannot write C:\\Vardex\\User1.log: <Disk full>>"},
        {"Invalid time period ''", "Invalid time period ''"},  // a place holds something
        {UnreadablePeriodText("x") + " and more", UnreadablePeriodText("x") + " and more"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(marked.TranslateMessage(c.made), c.shown);
}

TEST(Texts, TheConfigurationWindowsSentencesAreMadeOfTheCataloguesWords)
{
    const MarkedTexts marked;
    WeekRules rules;
    rules.bySchedule = rules.byDuration = true;
    rules.days[2] = {std::vector<DayPeriod>{{16 * 3600, 18 * 3600}}, 3600};
    const std::int32_t wednesday = 46365;  // 9 December 2026
    ChartMetrics metrics{363, 97, 13, [](const std::string& text) { return static_cast<int>(text.size()) * 6; }, &marked};
    const ChartLayout chart = LayOutUsageChart({{wednesday, 30, 60, 15, true}}, wednesday, metrics);
    const std::string dash = "\u2013";
    const struct {
        std::string made, expected;
    } cases[] = {
        {TodayText(rules, {wednesday, 15 * 3600}, {1200, 1200}, "alice", marked),
         "<Today (<Wednesday>) alice may work 16:00" + dash +
             "18:00>; <<40 min> of <1 h> left today>"},
        {BarText(chart.bars.back(), wednesday, marked),
         "<<<Today> 9 <Dec> 2026>: <30 min> of <1 h>> <(<15 min> granted)>, <expired>"},
        {UsageFiguresText(chart, marked),
         "<Average <30 min> a day over the <1 day> recorded; time expired on <1 day><; <15 min> granted on <1 day>>.>"},
        {chart.ticks.back().label, "<60 min>"},
        {SummarizeSchedule("08:00 - 12:00=1;", {}, marked).text, "<Allowed: 08:00" + dash + "12:00>"},
        {NodeStatusText(NodeKind::UserOptions, "Users", {}, "", marked), " <Users : All Available User Profiles>"},
        {UnconfirmedPasswordPair("a", "", "<subject>", marked)->message, "<subject> <type it again in the Confirm field.>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.made, c.expected);
}

}  // namespace
}  // namespace vardex
