#include "service/KeyboardFilter.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

TEST(KeyboardFilter, SwallowsTaskSwitchingKeysDownAndUp)
{
    for (unsigned message : {0x100u, 0x101u, 0x104u, 0x105u}) {
        EXPECT_TRUE(ShouldSwallowKey({message, 0x09, true, false}));   // Alt+Tab
        EXPECT_TRUE(ShouldSwallowKey({message, 0x1B, true, false}));   // Alt+Esc
        EXPECT_TRUE(ShouldSwallowKey({message, 0x1B, false, true}));   // Ctrl+Esc
        EXPECT_FALSE(ShouldSwallowKey({message, 0x09, false, true}));  // Ctrl+Tab
        EXPECT_FALSE(ShouldSwallowKey({message, 0x09, false, false}));
        EXPECT_FALSE(ShouldSwallowKey({message, 0x1B, false, false}));
        EXPECT_FALSE(ShouldSwallowKey({message, 0x73, true, false}));  // Alt+F4 reaches the window
        EXPECT_FALSE(ShouldSwallowKey({message, 0x12, true, false}));  // Alt itself
    }
    EXPECT_FALSE(ShouldSwallowKey({0x0102, 0x09, true, false}));  // not a key message
}

TEST(KeyboardFilter, ReleaseOfASwallowedKeyIsSwallowedEvenAfterTheModifierWentUp)
{
    TaskSwitchKeyFilter filter;
    EXPECT_TRUE(filter.ShouldSwallow({0x104, 0x09, true, false}));   // Alt+Tab down
    EXPECT_TRUE(filter.ShouldSwallow({0x101, 0x09, false, false}));  // Tab up after Alt went up
    EXPECT_FALSE(filter.ShouldSwallow({0x100, 0x09, false, false})); // a plain Tab later passes
    EXPECT_FALSE(filter.ShouldSwallow({0x101, 0x09, false, false}));
    EXPECT_TRUE(filter.ShouldSwallow({0x100, 0x1B, false, true}));   // Ctrl+Esc down
    EXPECT_TRUE(filter.ShouldSwallow({0x101, 0x1B, false, false}));
    EXPECT_FALSE(filter.ShouldSwallow({0x100, 0x41, true, false}));  // other keys untouched
}

}  // namespace
}  // namespace vardex
