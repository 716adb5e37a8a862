#include "service/KeyboardFilter.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

constexpr unsigned kDown = 0x100, kUp = 0x101, kSysDown = 0x104, kSysUp = 0x105;

TEST(KeyboardFilter, SwallowsTheSessionsKeysDownAndUp)
{
    struct Case {
        unsigned virtualKey;
        bool alt, ctrl, shift, windowsHeld, swallowed;
        const char* what;
    };
    const Case cases[] = {
        {0x09, true, false, false, false, true, "Alt+Tab"},
        {0x1B, true, false, false, false, true, "Alt+Esc"},
        {0x1B, false, true, false, false, true, "Ctrl+Esc"},
        {0x79, false, false, true, false, true, "Shift+F10"},
        {0x5B, false, false, false, false, true, "left Windows key"},
        {0x5C, false, false, false, false, true, "right Windows key"},
        {0x5D, false, false, false, false, true, "Menu key"},
        {0x52, false, false, false, true, true, "Windows+R"},
        {0x09, false, false, false, true, true, "Windows+Tab"},
        {0x09, false, true, false, false, false, "Ctrl+Tab"},
        {0x09, false, false, false, false, false, "Tab"},
        {0x1B, false, false, false, false, false, "Esc"},
        {0x79, false, false, false, false, false, "F10"},
        {0x73, true, false, false, false, false, "Alt+F4 reaches the window"},
        {0x12, true, false, false, false, false, "Alt itself"},
        {0x41, false, false, true, false, false, "Shift+A"},
    };
    for (const Case& c : cases)
        for (unsigned message : {kDown, kUp, kSysDown, kSysUp})
            EXPECT_EQ(ShouldSwallowKey({message, c.virtualKey, c.alt, c.ctrl, c.shift}, c.windowsHeld), c.swallowed)
                << c.what << " message " << message;
    EXPECT_FALSE(ShouldSwallowKey({0x0102, 0x5B}));  // not a key message
}

TEST(KeyboardFilter, FollowsTheWindowsKeyAndSwallowsTheReleaseOfEverySwallowedPress)
{
    SessionKeyFilter filter;
    EXPECT_TRUE(filter.ShouldSwallow({kSysDown, 0x09, true}));   // Alt+Tab down
    EXPECT_TRUE(filter.ShouldSwallow({kUp, 0x09}));              // Tab up after Alt went up
    EXPECT_FALSE(filter.ShouldSwallow({kDown, 0x09}));           // a plain Tab later passes
    EXPECT_FALSE(filter.ShouldSwallow({kUp, 0x09}));

    EXPECT_TRUE(filter.ShouldSwallow({kDown, 0x5B}));   // Windows down: held from now on
    EXPECT_TRUE(filter.ShouldSwallow({kDown, 0x4C}));   // Windows+L
    EXPECT_TRUE(filter.ShouldSwallow({kUp, 0x5B}));     // Windows up first
    EXPECT_TRUE(filter.ShouldSwallow({kUp, 0x4C}));     // L's release follows its press
    EXPECT_FALSE(filter.ShouldSwallow({kDown, 0x4C}));  // a plain L after it reaches the lock screen
    EXPECT_FALSE(filter.ShouldSwallow({kUp, 0x4C}));
}

}  // namespace
}  // namespace vardex
