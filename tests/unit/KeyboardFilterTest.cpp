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
        // The system's own keys to switch the keyboard layout reach it.
        {0xA0, true, false, true, false, false, "Alt+Shift (left Shift)"},
        {0xA4, true, false, true, false, false, "Shift+Alt (left Alt)"},
        {0xA1, false, true, true, false, false, "Ctrl+Shift (right Shift)"},
        {0xA2, false, true, true, false, false, "Shift+Ctrl (left Ctrl)"},
        // Windows+Space too is swallowed: the filter switches the layout itself.
        {0x20, false, false, false, true, true, "Windows+Space"},
        {0x20, false, false, false, false, false, "Space"},
        // The screen readers' keys: their modifiers and NVDA's start pass, the narrator's start
        // with the Windows key does not (Windows+Ctrl+N opens its settings the same way).
        {0x14, false, false, false, false, false, "Caps Lock"},
        {0x2D, false, false, false, false, false, "Insert"},
        {0x4E, true, true, false, false, false, "Ctrl+Alt+N"},
        {0x0D, false, true, false, true, true, "Windows+Ctrl+Enter"},
        {0x4E, false, true, false, true, true, "Windows+Ctrl+N"},
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

TEST(KeyboardFilter, WindowsSpaceSwitchesTheLayoutOncePerPressAndNothingElseDoes)
{
    struct Step {
        unsigned message, virtualKey;
        bool ctrl, shift;
        bool swallowed;
        LayoutSwitch layoutSwitch;
        const char* what;
    };
    const Step steps[] = {
        {kDown, 0x5B, false, false, true, LayoutSwitch::None, "Windows down"},
        {kDown, 0x20, false, false, true, LayoutSwitch::Next, "Space: the next layout"},
        {kDown, 0x20, false, false, true, LayoutSwitch::None, "Space held: its repeat switches nothing"},
        {kUp, 0x20, false, false, true, LayoutSwitch::None, "Space up"},
        {kDown, 0x20, false, true, true, LayoutSwitch::Previous, "Shift+Space: the previous layout"},
        {kUp, 0x20, false, true, true, LayoutSwitch::None, "Space up"},
        {kDown, 0x20, true, false, true, LayoutSwitch::None, "Ctrl+Space: another command"},
        {kUp, 0x20, true, false, true, LayoutSwitch::None, "Space up"},
        {kDown, 0x52, false, false, true, LayoutSwitch::None, "Windows+R stays swallowed"},
        {kUp, 0x5B, false, false, true, LayoutSwitch::None, "Windows up"},
        {kUp, 0x52, false, false, true, LayoutSwitch::None, "R up, its press was swallowed"},
        {kDown, 0x20, false, false, false, LayoutSwitch::None, "a plain Space types"},
        {kUp, 0x20, false, false, false, LayoutSwitch::None, "Space up"},
    };
    SessionKeyFilter filter;
    for (const Step& s : steps) {
        const SessionKeyFilter::Verdict verdict = filter.Judge({s.message, s.virtualKey, false, s.ctrl, s.shift});
        EXPECT_EQ(verdict.swallow, s.swallowed) << s.what;
        EXPECT_EQ(verdict.layoutSwitch, s.layoutSwitch) << s.what;
    }
}

}  // namespace
}  // namespace vardex
