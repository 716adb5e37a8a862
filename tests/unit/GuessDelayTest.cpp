#include "service/GuessDelay.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

TEST(GuessDelay, FourWrongEntriesAreFreeThenTheWaitDoublesFromOneSecondUpToThirty)
{
    GuessDelay delay;
    std::int64_t now = 5000;
    for (const std::int64_t wait : {0, 0, 0, 0, 1000, 2000, 4000, 8000, 16000, 30000, 30000}) {
        delay.WrongEntry(now);
        EXPECT_EQ(delay.WaitLeftMs(now + wait / 2), wait - wait / 2) << wait;
        now += wait;
        EXPECT_EQ(delay.WaitLeftMs(now), 0) << wait;
    }
    EXPECT_EQ(EntryDelayAfter(UINT32_MAX), 30000);
}

TEST(GuessDelay, TheLabelCountsWholeSecondsUp)
{
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "Enter password"}, {1, "Try again in 1 s"}, {1000, "Try again in 1 s"}, {1001, "Try again in 2 s"},
        {30000, "Try again in 30 s"}};
    for (const auto& [waitLeftMs, label] : cases)
        EXPECT_EQ(UnlockPromptLabel(waitLeftMs), label) << waitLeftMs;
}

}  // namespace
}  // namespace vardex
