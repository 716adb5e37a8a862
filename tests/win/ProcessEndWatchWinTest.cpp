#include "guard/ProcessEndWatch_win.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace vardex {
namespace {

// More ends than WaitForMultipleObjects can wait for: each is posted once, under the key, and
// the watch keeps only what has not ended.
TEST(ProcessEndWatch, EveryEndOfMoreThanSixtyFourIsPostedOnceWithItsTag)
{
    constexpr ULONG_PTR kKey = 0x77;
    constexpr std::uint32_t kCount = 100;
    const UniqueKernelHandle port{CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1)};
    ASSERT_TRUE(port);
    std::vector<UniqueKernelHandle> ends;
    ProcessEndWatch watch(port.Get(), kKey);
    for (std::uint32_t id = 1; id <= kCount; ++id) {
        ends.emplace_back(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        HANDLE watched = nullptr;
        ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), ends.back().Get(), GetCurrentProcess(), &watched, SYNCHRONIZE,
                                    FALSE, 0));
        ASSERT_TRUE(watch.Watch(id, 1000 + id, UniqueKernelHandle(watched)));
    }
    for (std::uint32_t id = 1; id < kCount; ++id)  // the last one goes on
        SetEvent(ends[id - 1].Get());

    std::set<std::uint32_t> ended;
    for (std::uint32_t n = 1; n < kCount; ++n) {
        DWORD id = 0;
        ULONG_PTR key = 0;
        OVERLAPPED* overlapped = nullptr;
        ASSERT_TRUE(GetQueuedCompletionStatus(port.Get(), &id, &key, &overlapped, 5000)) << "after " << n - 1;
        EXPECT_EQ(key, kKey);
        EXPECT_EQ(watch.Ended(id), 1000 + id);
        ended.insert(id);
    }
    EXPECT_EQ(ended.size(), kCount - 1);
    EXPECT_EQ(watch.Count(), 1u);
    EXPECT_NE(watch.Process(kCount), nullptr);
    EXPECT_EQ(watch.Ended(1), std::nullopt) << "an end taken twice";
    DWORD id = 0;
    ULONG_PTR key = 0;
    OVERLAPPED* overlapped = nullptr;
    EXPECT_FALSE(GetQueuedCompletionStatus(port.Get(), &id, &key, &overlapped, 200)) << "posted again: " << id;
}

}  // namespace
}  // namespace vardex
