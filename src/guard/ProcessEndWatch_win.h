#pragma once
// Watches any number of processes for their end. WaitForMultipleObjects stops at 64 handles, so
// no thread here waits on them: the system's wait threads post each end to a completion port,
// with the process id as the completion's byte count, and the port's one reader takes it there.
#include "win/UniqueHandle_win.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

namespace vardex {

class ProcessEndWatch {
public:
    // Ends are posted to port under key.
    ProcessEndWatch(HANDLE port, ULONG_PTR key) noexcept : port_(port), key_(key) {}
    // No end is posted after this; the processes go on running.
    ~ProcessEndWatch();
    ProcessEndWatch(const ProcessEndWatch&) = delete;
    ProcessEndWatch& operator=(const ProcessEndWatch&) = delete;

    // Watches process (any waitable handle) as id, with a number of the caller's (its session),
    // in place of what was watched as id. False when the system refuses the wait.
    bool Watch(std::uint32_t id, std::uint32_t tag, UniqueKernelHandle process);
    // An end taken from the port: the tag of id, which is no longer watched; nothing when id was
    // not watched (an end posted before it was watched again, or after it was dropped).
    std::optional<std::uint32_t> Ended(std::uint32_t id);
    // The watched process, or null.
    HANDLE Process(std::uint32_t id) const noexcept;
    std::size_t Count() const noexcept { return watched_.size(); }

private:
    struct Watched {
        ProcessEndWatch* owner = nullptr;
        std::uint32_t id = 0;
        std::uint32_t tag = 0;
        UniqueKernelHandle process;
        HANDLE wait = nullptr;
    };
    static void CALLBACK ProcessEnded(void* context, BOOLEAN timedOut) noexcept;
    static void Unwatch(Watched& watched) noexcept;

    HANDLE port_;
    ULONG_PTR key_;
    // Each entry is its wait's callback data: it stays where it is until its wait is gone.
    std::map<std::uint32_t, std::unique_ptr<Watched>> watched_;
};

}  // namespace vardex
