#include "common/Errors.h"
#include "saver/SaverCommand.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

using Args = std::vector<std::string>;

SaverActions Expect(bool notExecuted, bool broadcast, bool nothingToConfigure, bool changePassword)
{
    return {notExecuted, broadcast, nothingToConfigure, changePassword};
}

TEST(SaverCommand, LettersAnywhereInTheFirstArgumentInAnyCase)
{
    EXPECT_EQ(DecideSaverActions({"/s"}, true), Expect(false, true, false, false));
    EXPECT_EQ(DecideSaverActions({"-S"}, true), Expect(false, true, false, false));
    EXPECT_EQ(DecideSaverActions({"s"}, true), Expect(false, true, false, false));
    EXPECT_EQ(DecideSaverActions({"/c:1234"}, true), Expect(false, false, true, false));
    EXPECT_EQ(DecideSaverActions({"/sc"}, true), Expect(false, true, true, false));
}

TEST(SaverCommand, WithoutTheServiceOnlyPreviewAndPasswordChangeAct)
{
    EXPECT_EQ(DecideSaverActions({"/p", "1234"}, false), Expect(true, false, false, false));
    EXPECT_EQ(DecideSaverActions({"/s"}, false), Expect(false, false, false, false));
    EXPECT_EQ(DecideSaverActions({"/c"}, false), Expect(false, false, false, false));
    EXPECT_EQ(DecideSaverActions({"/a", "1234"}, false), Expect(false, false, false, true));
    EXPECT_EQ(DecideSaverActions({"/a", "1234"}, true), Expect(false, false, false, true));
}

TEST(SaverCommand, NothingWithoutArguments)
{
    EXPECT_EQ(DecideSaverActions({"/p", "1234"}, true), Expect(false, false, false, false));
    EXPECT_EQ(DecideSaverActions({}, true), Expect(false, false, false, false));
    EXPECT_EQ(DecideSaverActions({}, false), Expect(false, false, false, false));
}

TEST(SaverCommand, WindowHandleArgumentIsADecimalInteger)
{
    EXPECT_EQ(ParseWindowHandleArgument("1234"), 1234);
    EXPECT_EQ(ParseWindowHandleArgument("-7"), -7);
    EXPECT_EQ(ParseWindowHandleArgument("+7"), 7);
    for (const char* text : {"", "12ab", "0x10", "abc", "99999999999999999999"}) {
        try {
            ParseWindowHandleArgument(text);
            ADD_FAILURE() << text;
        } catch (const ConversionError& error) {
            EXPECT_EQ(error.what(), "'" + std::string(text) + "' is not a valid integer value");
        }
    }
}

}  // namespace
}  // namespace vardex
