#pragma once
// What the guardian keeps in a key of its own under the settings key, which only the system and
// administrators can write: the time-zone rules the day is judged by, each user's use of the day
// (by SID) and the last day it expired, and the lock state of each session with its lock
// service, so that a restart of the guardian, or an upgrade, keeps every locked session locked.
#include "GuardProtocol.h"
#include "common/Registry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vardex {

inline constexpr const char* kGuardStoreKeyPath = "SOFTWARE\\QUORTEX\\Guardian";

// A lock service's process: its id and when it was made, which together name it even after the
// id is used again.
struct LockServiceProcess {
    std::uint32_t id = 0;
    std::uint64_t created = 0;
    bool operator==(const LockServiceProcess&) const = default;
};

struct StoredSession {
    std::uint32_t sessionId = 0;
    std::string userSid;
    LockState state = LockState::Unlocked;
    std::int64_t shutdownAtUtcMs = 0;  // an expiry's end of grace; 0 when none
    std::optional<LockServiceProcess> process;
    bool operator==(const StoredSession&) const = default;
};

// The sessions of one boot of the system, named by the UTC time of its start in milliseconds.
struct StoredSessions {
    std::int64_t bootUtcMs = 0;
    std::vector<StoredSession> sessions;
    bool operator==(const StoredSessions&) const = default;
};

// The sessions as one text ("BOOT;SESSION;SESSION...") and back; a malformed text reads as
// nothing at all.
std::string EncodeStoredSessions(const StoredSessions& stored);
std::optional<StoredSessions> ParseStoredSessions(std::string_view text);

class GuardStore {
public:
    explicit GuardStore(Registry& registry) : registry_(registry) {}

    // Each reading is nothing when the value is absent or malformed; each writing raises
    // RegistryError when the value cannot be written.
    std::optional<TimeZoneRules> Zone();
    void SetZone(const TimeZoneRules& zone);
    std::optional<StoredSessions> Sessions();
    void SetSessions(const StoredSessions& sessions);
    std::optional<GuardDay> Use(const std::string& userSid);
    void SetUse(const std::string& userSid, const GuardDay& use);
    // The last day on which the user's time expired, so that the day's line in the usage history
    // says so after a restart of the guardian too.
    std::optional<std::int32_t> ExpiredDay(const std::string& userSid);
    void SetExpiredDay(const std::string& userSid, std::int32_t day);

private:
    std::optional<std::string> ReadText(const std::string& name);
    void WriteText(const std::string& name, const std::string& text);

    Registry& registry_;
};

}  // namespace vardex
