#include "service/GuessDelay.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vardex {
namespace {

TEST(GuessDelay, FourWrongEntriesAreFreeThenTheWaitDoublesFromOneSecondUpToThirty)
{
    const std::int64_t waits[] = {0, 0, 0, 0, 1000, 2000, 4000, 8000, 16000, 30000, 30000, 30000};
    GuessDelay delay;
    std::int64_t now = 5000;
    for (std::size_t i = 0; i < std::size(waits); ++i) {
        SCOPED_TRACE("wrong entry " + std::to_string(i + 1));
        delay.WrongEntry(now);
        EXPECT_EQ(delay.WaitLeftMs(now), waits[i]);
        EXPECT_EQ(delay.WaitLeftMs(now + waits[i] / 2), waits[i] - waits[i] / 2);
        EXPECT_EQ(delay.WaitLeftMs(now + waits[i]), 0);
        now += waits[i] + 700;
    }
    EXPECT_EQ(EntryDelayAfter(UINT32_MAX), 30000);
    delay.RightEntry();
    EXPECT_EQ(delay.WaitLeftMs(now), 0);
    for (int i = 0; i < 4; ++i)
        delay.WrongEntry(now);
    EXPECT_EQ(delay.WaitLeftMs(now), 0) << "a right password starts the count again";
}

TEST(GuessDelay, TheLabelCountsWholeSecondsUpAndThePromptKnowsEveryOne)
{
    const struct {
        std::int64_t waitLeftMs;
        const char* label;
    } cases[] = {{-5, "Enter password"},        {0, "Enter password"},          {1, "Try again in 1 s"},
                 {1000, "Try again in 1 s"},     {1001, "Try again in 2 s"},     {29001, "Try again in 30 s"},
                 {30000, "Try again in 30 s"}};
    const std::vector<std::string> every = EveryUnlockPromptLabel();
    for (const auto& c : cases) {
        EXPECT_EQ(UnlockPromptLabel(c.waitLeftMs), c.label) << c.waitLeftMs;
        EXPECT_NE(std::find(every.begin(), every.end(), c.label), every.end()) << c.label;
    }
    EXPECT_EQ(every.size(), 31u);
}

}  // namespace
}  // namespace vardex
