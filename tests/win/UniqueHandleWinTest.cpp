#include "win/UniqueHandle_win.h"

#include <gtest/gtest.h>

namespace vardex {
namespace {

bool IsOpen(HANDLE handle)
{
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(UniqueHandle, ClosesOnceWhateverPathTheHandleTakes)
{
    const HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(IsOpen(raw));
    {
        UniqueKernelHandle first(raw);
        UniqueKernelHandle second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(second.Get(), raw);
        UniqueKernelHandle third;
        third = std::move(second);
        EXPECT_TRUE(IsOpen(raw));
    }
    EXPECT_FALSE(IsOpen(raw));
}

TEST(UniqueHandle, ResetClosesTheOldAndReleaseGivesUp)
{
    const HANDLE a = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE b = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    UniqueKernelHandle handle(a);
    handle.Reset(b);
    EXPECT_FALSE(IsOpen(a));
    EXPECT_EQ(handle.Release(), b);
    EXPECT_FALSE(handle);
    EXPECT_TRUE(IsOpen(b));
    CloseHandle(b);
}

TEST(UniqueHandle, FilesUseTheInvalidHandleAsEmpty)
{
    UniqueFile missing(CreateFileW(L"C:\\no\\such\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.Get(), INVALID_HANDLE_VALUE);
}

TEST(UniqueHandle, ModulesAndTheirProceduresByName)
{
    const UniqueModule user32(LoadLibraryW(L"USER32.DLL"));
    EXPECT_NE(GetProcedure<void (*)()>(user32, "SwitchToThisWindow"), nullptr);
    EXPECT_EQ(GetProcedure<void (*)()>(user32, "NoSuchFunction"), nullptr);
    EXPECT_EQ(GetProcedure<void (*)()>(UniqueModule(), "SwitchToThisWindow"), nullptr);
}

}  // namespace
}  // namespace vardex
