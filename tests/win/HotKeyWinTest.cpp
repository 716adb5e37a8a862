#include "common/HotKey.h"
#include "service/HotKey_win.h"

#include <gtest/gtest.h>
#include <optional>
#include <windows.h>

namespace vardex {
namespace {

class HotKeyWinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(owner && other);
    }
    void TearDown() override
    {
        hotKey.reset();
        DestroyWindow(owner);
        DestroyWindow(other);
    }

    // True when nobody holds the combination of the code.
    bool IsFree(std::uint16_t code)
    {
        const HotKeyRegistration r = HotKeyToRegistration(code);
        if (!RegisterHotKey(other, 1, r.modifiers, r.virtualKey))
            return false;
        UnregisterHotKey(other, 1);
        return true;
    }

    HWND owner = nullptr;
    HWND other = nullptr;
    std::optional<LockHotKey> hotKey;
};

TEST_F(HotKeyWinTest, ANewCodeReplacesTheOldOneAndOneHeldElsewhereIsTakenOnceFree)
{
    const std::uint16_t ctrlF9 = 0x4000 | VK_F9;
    const std::uint16_t altShiftF10 = 0xA000 | VK_F10;
    ASSERT_TRUE(IsFree(ctrlF9));
    hotKey.emplace(owner);
    EXPECT_TRUE(hotKey->Hold(ctrlF9));
    EXPECT_FALSE(IsFree(ctrlF9));
    EXPECT_TRUE(hotKey->Hold(ctrlF9));  // a reload with the same code
    EXPECT_TRUE(hotKey->Hold(altShiftF10));
    EXPECT_TRUE(IsFree(ctrlF9));
    EXPECT_FALSE(IsFree(altShiftF10));
    EXPECT_TRUE(hotKey->Hold(0));
    EXPECT_TRUE(IsFree(altShiftF10));
    EXPECT_FALSE(hotKey->Missing());

    // Another program holds the combination: refused, and taken at the first try once free.
    const HotKeyRegistration taken = HotKeyToRegistration(ctrlF9);
    ASSERT_TRUE(RegisterHotKey(other, 7, taken.modifiers, taken.virtualKey));
    EXPECT_FALSE(hotKey->Hold(ctrlF9));
    EXPECT_TRUE(hotKey->Missing());
    EXPECT_FALSE(hotKey->Hold(ctrlF9));
    UnregisterHotKey(other, 7);
    EXPECT_TRUE(hotKey->Hold(ctrlF9));
    EXPECT_FALSE(hotKey->Missing());
    EXPECT_FALSE(IsFree(ctrlF9));
}

TEST_F(HotKeyWinTest, LayoutNamesKeysOutsideTheFixedTable)
{
    EXPECT_FALSE(LayoutKeyNameOf(VK_OEM_3).empty());  // the default key, 0xC0
    EXPECT_EQ(LayoutKeyNameOf(0), "");
    EXPECT_EQ(LockActionCaption(0x4000 | VK_OEM_3, LayoutKeyNameOf), "Vardex  Ctrl+" + LayoutKeyNameOf(VK_OEM_3));
}

}  // namespace
}  // namespace vardex
