#include "common/HotKey.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

std::string FakeLayout(unsigned vk)
{
    return vk == 0xC0 ? "`" : vk == 0xBA ? ";" : "";
}

TEST(HotKey, ModifierBitsBecomeRegistrationModifiers)
{
    EXPECT_EQ(HotKeyToRegistration(16576), (HotKeyRegistration{2, 0xC0}));
    EXPECT_EQ(HotKeyToRegistration(0xE041), (HotKeyRegistration{7, 0x41}));
    EXPECT_EQ(HotKeyToRegistration(0x2000 | 0x70), (HotKeyRegistration{4, 0x70}));
    EXPECT_EQ(HotKeyToRegistration(0x8000 | 0x1FFF), (HotKeyRegistration{1, 0x1FFF}));
    EXPECT_EQ(HotKeyToRegistration(0), (HotKeyRegistration{0, 0}));
}

TEST(HotKey, CaptionNamesModifiersInOrderThenTheKey)
{
    EXPECT_EQ(LockActionCaption(0xE041, FakeLayout), "Vardex  Shift+Ctrl+Alt+A");
    EXPECT_EQ(LockActionCaption(16576, FakeLayout), "Vardex  Ctrl+`");
    EXPECT_EQ(LockActionCaption(0, FakeLayout), "Vardex  ");
    EXPECT_EQ(LockActionCaption(0x4000 | 0xFF, FakeLayout), "Vardex  ");  // a key without a name
}

TEST(HotKey, FixedKeyNames)
{
    const auto text = [](std::uint16_t code) { return HotKeyText(code, FakeLayout); };
    EXPECT_EQ(text(0x08), "BkSp");
    EXPECT_EQ(text(0x09), "Tab");
    EXPECT_EQ(text(0x0D), "Enter");
    EXPECT_EQ(text(0x1B), "Esc");
    EXPECT_EQ(text(0x20), "Space");
    EXPECT_EQ(text(0x21), "PgUp");
    EXPECT_EQ(text(0x28), "Down");
    EXPECT_EQ(text(0x2D), "Ins");
    EXPECT_EQ(text(0x2E), "Del");
    EXPECT_EQ(text(0x30), "0");
    EXPECT_EQ(text(0x69), "9");  // numeric keypad 9
    EXPECT_EQ(text(0x5A), "Z");
    EXPECT_EQ(text(0x70), "F1");
    EXPECT_EQ(text(0x87), "F24");
    EXPECT_EQ(text(0x2000 | 0xBA), "Shift+;");
}

}  // namespace
}  // namespace vardex
