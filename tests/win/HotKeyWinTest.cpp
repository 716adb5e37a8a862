#include "service/HotKey.h"
#include "service/HotKey_win.h"

#include <gtest/gtest.h>
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
        UnregisterLockHotKey(owner);
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
};

TEST_F(HotKeyWinTest, ReRegistrationReplacesTheOldCombination)
{
    const std::uint16_t ctrlF9 = 0x4000 | VK_F9;
    const std::uint16_t altShiftF10 = 0xA000 | VK_F10;
    ASSERT_TRUE(IsFree(ctrlF9));
    RegisterLockHotKey(owner, ctrlF9);
    EXPECT_FALSE(IsFree(ctrlF9));
    RegisterLockHotKey(owner, ctrlF9);  // a reload with the same code
    RegisterLockHotKey(owner, altShiftF10);
    EXPECT_TRUE(IsFree(ctrlF9));
    EXPECT_FALSE(IsFree(altShiftF10));
    RegisterLockHotKey(owner, 0);
    EXPECT_TRUE(IsFree(altShiftF10));
}

TEST_F(HotKeyWinTest, LayoutNamesKeysOutsideTheFixedTable)
{
    EXPECT_FALSE(LayoutKeyNameOf(VK_OEM_3).empty());  // the default key, 0xC0
    EXPECT_EQ(LayoutKeyNameOf(0), "");
    EXPECT_EQ(LockActionCaption(0x4000 | VK_OEM_3, LayoutKeyNameOf), "Vardex  Ctrl+" + LayoutKeyNameOf(VK_OEM_3));
}

}  // namespace
}  // namespace vardex
