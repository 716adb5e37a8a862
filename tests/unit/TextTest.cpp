#include "common/Errors.h"
#include "common/Files.h"
#include "common/Text.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

using Pieces = std::vector<std::string_view>;

TEST(SplitPieces, RunsOfSeparatorsCountAsOneAndEndsGiveNoEmptyPiece)
{
    EXPECT_EQ(SplitPieces(";;a;;b;", ";"), (Pieces{"a", "b"}));
    EXPECT_EQ(SplitPieces("a,b;c", ";,"), (Pieces{"a", "b", "c"}));
    EXPECT_TRUE(SplitPieces("", ";").empty());
    EXPECT_TRUE(SplitPieces(";;;", ";").empty());
    EXPECT_EQ(SplitPieces("no separator", ";"), (Pieces{"no separator"}));
}

TEST(Trimming, RemovesCodesZeroToThirtyTwoOnly)
{
    const std::string padded = std::string("\0\t \x1f", 4) + "a b" + std::string(" \x03\r", 3);
    EXPECT_EQ(TrimControl(padded), "a b");
    EXPECT_EQ(TrimLeftControl(padded), std::string("a b \x03\r"));
    EXPECT_EQ(TrimControl("\x7f" "x" "\xa0"), "\x7f" "x" "\xa0");  // DEL and 0xA0 are above 32
}

TEST(CaseFolding, OnlyAsciiLettersFold)
{
    EXPECT_TRUE(SameTextAscii("SCRNSAVE.EXE", "scrnsave.exe"));
    EXPECT_FALSE(SameTextAscii("\xc9T\xc9", "\xe9t\xe9"));  // accented letters must match exactly
    EXPECT_FALSE(SameTextAscii("a", "a "));
    EXPECT_EQ(AsciiLowerCase("/S:1234"), "/s:1234");
}

TEST(FormatGeneral15, FifteenSignificantDigitsWithPoint)
{
    EXPECT_EQ(FormatGeneral15(0.375), "0.375");
    EXPECT_EQ(FormatGeneral15(17.0 / 24.0), "0.708333333333333");
    EXPECT_EQ(FormatGeneral15(0.0), "0");
    EXPECT_EQ(FormatGeneral15(1.0 / 3.0), "0.333333333333333");
}

// How an error reads in a report: a full stop only after characters that sort after it, and an
// I/O error of a code without its own text by its number.
TEST(ErrorTexts, AReportEndsInAFullStopAndAnUnknownIoErrorGivesItsNumber)
{
    for (const auto& [text, report] : std::vector<std::pair<std::string, std::string>>{
             {"File access denied", "File access denied."},
             {"Done.", "Done."},
             {"Really!", "Really!"},  // "!" sorts before "."
             {"Path /", "Path /."},
             {"", ""},
             {IoErrorText(101), "Disk full."},
             {IoError(32).what(), "I/O error 32."}})
        EXPECT_EQ(ErrorReportText(text), report) << text;
    EXPECT_EQ(IoError(5).Code(), 5u);
}

TEST(LineCursor, EveryLineEndCountsOnceAndLongLinesAreCut)
{
    const struct {
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\r\n", {"a"}},
        {"\r\n\n\r", {"", "", ""}},
        {"a\n\r\nb", {"a", "", "b"}},
        {std::string("x\0y\r\n", 5), {std::string("x\0y", 3)}},
        {"abcdefgh\nij", {"abcde", "ij"}},
    };
    for (const auto& c : cases) {
        LineCursor cursor(c.bytes, 5);
        std::vector<std::string> lines;
        while (!cursor.AtEnd())
            lines.push_back(cursor.Next());
        EXPECT_EQ(lines, c.lines) << c.bytes;
        EXPECT_EQ(cursor.Next(), "");
    }
}

}  // namespace
}  // namespace vardex
