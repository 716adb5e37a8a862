#pragma once
// What the lock service and the guardian say to each other over the guardian's pipe: one
// short text message per connection, one short answer. Everything is bounded; what does not
// parse is dropped.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace vardex {

inline constexpr const wchar_t* kGuardianPipeName = L"\\\\.\\pipe\\vardexguard";
inline constexpr std::size_t kMaxGuardMessageBytes = 1024;
// A statistics line without its line end: bytes from space up, in the system's code page.
inline constexpr std::size_t kMaxGuardLogLineBytes = 512;

// What the lock service is doing, so that a new one started after it ended goes on from there.
enum class LockState { Unlocked, Locked, Expired, Exited, SessionEnding };

enum class GuardRequestKind { Ping, DayUse, LogLine, State };

struct GuardRequest {
    GuardRequestKind kind = GuardRequestKind::Ping;
    std::int32_t day = 0;           // DayUse: the day counted, days since 30 December 1899
    std::uint32_t usedSeconds = 0;  // DayUse: the seconds used that day
    std::string line;               // LogLine
    LockState state = LockState::Unlocked;  // State
    std::uint32_t graceLeftMs = 0;          // State Expired: until the shutdown
    bool operator==(const GuardRequest&) const = default;

    static GuardRequest DayUse(std::int32_t day, std::uint32_t usedSeconds)
    {
        GuardRequest request;
        request.kind = GuardRequestKind::DayUse;
        request.day = day;
        request.usedSeconds = usedSeconds;
        return request;
    }
    static GuardRequest LogLine(std::string line)
    {
        GuardRequest request;
        request.kind = GuardRequestKind::LogLine;
        request.line = std::move(line);
        return request;
    }
    static GuardRequest State(LockState state, std::uint32_t graceLeftMs = 0)
    {
        GuardRequest request;
        request.kind = GuardRequestKind::State;
        request.state = state;
        request.graceLeftMs = graceLeftMs;
        return request;
    }
};

inline constexpr std::string_view kGuardAccepted = "ok";
inline constexpr std::string_view kGuardRefused = "refused";

std::string EncodeGuardRequest(const GuardRequest& request);
// Nothing when the bytes are not exactly one well-formed request within the bounds.
std::optional<GuardRequest> ParseGuardRequest(std::string_view bytes);

}  // namespace vardex
