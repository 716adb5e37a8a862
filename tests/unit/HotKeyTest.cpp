#include "common/HotKey.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

std::string FakeLayout(unsigned vk)
{
    return vk == 0xC0 ? "`" : vk == 0xBA ? ";" : "";
}

// What a stored code registers and how the field and the menu name it: the modifier bits, the
// fixed names, the digits and letters, the function keys and the layout's own keys.
TEST(HotKey, ACodeRegistersItsModifiersAndKeyAndReadsAsTheFieldShowsIt)
{
    const struct {
        std::uint16_t code;
        HotKeyRegistration registration;
        const char* text;
    } cases[] = {
        {16576, {2, 0xC0}, "Ctrl+`"},
        {0xE041, {7, 0x41}, "Shift+Ctrl+Alt+A"},
        {0x2000 | 0x70, {4, 0x70}, "Shift+F1"},
        {0x2000 | 0xBA, {4, 0xBA}, "Shift+;"},
        {0x8000 | 0x08, {1, 0x08}, "Alt+BkSp"},
        {0x0D, {0, 0x0D}, "Enter"},
        {0x1B, {0, 0x1B}, "Esc"},
        {0x20, {0, 0x20}, "Space"},
        {0x21, {0, 0x21}, "PgUp"},
        {0x28, {0, 0x28}, "Down"},
        {0x2E, {0, 0x2E}, "Del"},
        {0x30, {0, 0x30}, "0"},
        {0x69, {0, 0x69}, "9"},  // numeric keypad 9
        {0x5A, {0, 0x5A}, "Z"},
        {0x87, {0, 0x87}, "F24"},
        {0, {0, 0}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HotKeyToRegistration(c.code), c.registration) << c.text;
        EXPECT_EQ(HotKeyText(c.code, FakeLayout), c.text);
    }
    EXPECT_EQ(HotKeyToRegistration(0x8000 | 0x1FFF), (HotKeyRegistration{1, 0x1FFF})) << "the key keeps 13 bits";
}

// The modifier keys as a German keyboard names them.
class GermanKeys final : public Texts {
public:
    std::string Get(TextId id) const override
    {
        return id == TextId::KeyShift ? "Umschalt" : id == TextId::KeyCtrl ? "Strg" : Texts::Get(id);
    }
};

TEST(HotKey, TheMenuCaptionNamesTheKeyOrNothing)
{
    EXPECT_EQ(LockActionCaption(0xE041, FakeLayout), "Vardex  Shift+Ctrl+Alt+A");
    EXPECT_EQ(LockActionCaption(0xE041, FakeLayout, GermanKeys()), "Vardex  Umschalt+Strg+Alt+A");
    EXPECT_EQ(LockActionCaption(0, FakeLayout), "Vardex  ");
    EXPECT_EQ(LockActionCaption(0x4000 | 0xFF, FakeLayout), "Vardex  ");  // a key without a name
}

}  // namespace
}  // namespace vardex
