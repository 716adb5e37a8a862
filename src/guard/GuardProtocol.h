#pragma once
// What the lock service and the guardian say to each other: one short text message, one short
// answer. Two ways in: the public pipe, which any program may use, takes only questions (is
// there a guardian, which process is this session's lock service) and the lock service's request
// for a channel of its own; that channel, a pipe end the guardian hands to the lock service it
// started and to nobody else, carries the lock service's heartbeat with its state, and its log
// lines. Everything is bounded; what does not parse is dropped.
#include "common/Text.h"
#include "common/TimeZone.h"
#include "config/SettingWrites.h"
#include "rules/Grants.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vardex {

inline constexpr const wchar_t* kGuardianServiceName = L"vardexguard";
inline constexpr const wchar_t* kGuardianPipeName = L"\\\\.\\pipe\\vardexguard";
// Room for the administrator password (255 characters, in UTF-8 and base64) and for a value of
// the settings with its name.
inline constexpr std::size_t kMaxGuardMessageBytes = 4096;
// A statistics line without its line end: bytes from space up, in the system's code page.
inline constexpr std::size_t kMaxGuardLogLineBytes = 512;

enum class GuardLogKind { Information, Warning, Error };

// Who sent a message on the public pipe, as the system tells it (the user and the session by the
// client's own token, the process by the pipe); never taken from the message.
struct GuardClient {
    std::uint32_t sessionId = 0;
    std::uint32_t processId = 0;
    std::string userSid;
    std::string userName;
};

// What the lock service is doing, so that a new one started after it ended goes on from there.
enum class LockState { Unlocked, Locked, Expired, Exited, SessionEnding };

enum class GuardRequestKind {
    // The public pipe.
    Ping,     // is there a guardian
    Who,      // which process is the lock service of the asker's session
    Channel,  // the lock service asks for its channel
    // The lock service's channel.
    Hello,    // the day, its count and the time-zone rules the day is judged by
    Beat,     // the heartbeat: the state, and whether the day's use counts now
    LogLine,  // a statistics line for the user's log
    Grant,    // more time for the user, with the administrator password or a one-time code
    // The public pipe, for the configuration window: its administrator's ticket, and what it
    // writes with it.
    AdminLogin,     // the administrator password (empty where none is set): a ticket
    AdminPut,       // one value to write, staged under the ticket
    AdminMore,      // more of the text of the value staged last
    AdminCommit,    // the staged values, so many of them, are checked and written
    AdminClearLog,  // a user's statistics log is emptied
    AdminEnd,       // the window closes: its ticket ends
    AdminCodes,     // the one-time codes' secret: "show" (made when there is none) or "new"
};

// A ticket: so many random bytes, as lowercase hexadecimal digits.
inline constexpr std::size_t kAdminTicketBytes = 16;

struct GuardRequest {
    GuardRequestKind kind = GuardRequestKind::Ping;
    LockState state = LockState::Unlocked;  // Beat
    std::uint32_t graceLeftMs = 0;          // Beat, when Expired: until the shutdown
    bool counting = false;                  // Beat: the day's use is counted now
    std::string line;                       // LogLine
    std::string ticket;                     // the Admin requests but the login
    std::string text;                       // AdminLogin: the password; AdminMore: the text's next piece;
                                            // AdminClearLog: the user key
    SettingWrite write;                     // AdminPut
    std::uint32_t count = 0;                // AdminCommit
    GrantChoice grant;                      // Grant, with the proof in text
    bool operator==(const GuardRequest&) const = default;

    static GuardRequest Of(GuardRequestKind kind)
    {
        GuardRequest request;
        request.kind = kind;
        return request;
    }
    static GuardRequest Beat(LockState state, std::uint32_t graceLeftMs, bool counting)
    {
        GuardRequest request = Of(GuardRequestKind::Beat);
        request.state = state;
        request.graceLeftMs = state == LockState::Expired ? graceLeftMs : 0;
        request.counting = counting;
        return request;
    }
    static GuardRequest LogLine(std::string line)
    {
        GuardRequest request = Of(GuardRequestKind::LogLine);
        request.line = std::move(line);
        return request;
    }
    static GuardRequest Grant(const GrantChoice& choice, std::string proof)
    {
        GuardRequest request = Of(GuardRequestKind::Grant);
        request.grant = choice;
        request.text = std::move(proof);
        return request;
    }
    static GuardRequest Admin(GuardRequestKind kind, std::string ticket, std::string text = {})
    {
        GuardRequest request = Of(kind);
        request.ticket = std::move(ticket);
        request.text = std::move(text);
        return request;
    }
};

// True for the requests of the configuration window.
bool IsAdminRequest(GuardRequestKind kind) noexcept;

std::string EncodeGuardRequest(const GuardRequest& request);
// Nothing when the bytes are not exactly one well-formed request within the bounds.
std::optional<GuardRequest> ParseGuardRequest(std::string_view bytes);

// The answers.
inline constexpr std::string_view kGuardAccepted = "ok";
inline constexpr std::string_view kGuardRefused = "refused";
inline constexpr std::string_view kGuardNoService = "none";

// The guardian's day: its number (days since 30 December 1899) and the seconds of it that the
// user has used, as the guardian counts them; the same for the week (the day number of its
// first day); and the time the administrator granted on the day.
struct GuardDay {
    std::int32_t day = 0;
    std::uint32_t usedSeconds = 0;
    std::int32_t week = 0;
    std::uint32_t weekUsedSeconds = 0;
    std::int32_t grantUntil = 0;  // 0: nothing granted
    std::int32_t grantSeconds = 0;
    bool operator==(const GuardDay&) const = default;
    std::optional<DayGrant> Grant() const
    {
        return grantUntil > 0 ? std::optional<DayGrant>(DayGrant{day, grantUntil, grantSeconds}) : std::nullopt;
    }
};

// "DAY USED WEEK WEEKUSED", then "UNTIL SECONDS" where a grant holds; a text of the day alone,
// as written before the week was counted, reads with a week of 0.
std::string EncodeGuardDay(const GuardDay& day);
std::optional<GuardDay> ParseGuardDay(std::span<const std::string_view> words);

// "ok DAY USED WEEK WEEKUSED [UNTIL SECONDS]", the answer to a heartbeat.
std::string EncodeBeatAnswer(const GuardDay& day);
std::optional<GuardDay> ParseBeatAnswer(std::string_view bytes);

// "hello DAY USED WEEK WEEKUSED ZONE... [UNTIL SECONDS]", the answer to the lock service's first
// word on its channel.
struct GuardHello {
    GuardDay day;
    TimeZoneRules zone;
};
std::string EncodeHelloAnswer(const GuardHello& hello);
std::optional<GuardHello> ParseHelloAnswer(std::string_view bytes);

// "service PID": which process is the lock service of the asker's session.
std::string EncodeWhoAnswer(std::uint32_t processId);
std::optional<std::uint32_t> ParseWhoAnswer(std::string_view bytes);

// "channel HANDLE": the channel's handle as the lock service's process sees it.
std::string EncodeChannelAnswer(std::uint64_t handle);
std::optional<std::uint64_t> ParseChannelAnswer(std::string_view bytes);

// The answers to the configuration window.
// "ticket HEX": the password was right; "wrong": it was not; "wait N": too many wrong ones, the
// next is checked only in N seconds.
inline constexpr std::string_view kGuardWrongPassword = "wrong";
struct AdminLoginAnswer {
    std::string ticket;           // set when the password was right
    std::uint32_t waitSeconds = 0;  // set when the guardian does not check now
    bool wrong = false;
};
std::string EncodeTicketAnswer(std::string_view ticket);
std::string EncodeWaitAnswer(std::uint32_t seconds);
// Nothing for any other answer ("refused", garbage).
std::optional<AdminLoginAnswer> ParseAdminLoginAnswer(std::string_view bytes);
// A well-formed ticket's text.
bool IsTicketText(std::string_view text) noexcept;
// The answer to a grant: "granted password|code DAY..." with the day and its grant, "wrong" (the
// password or code proved nothing), "wait N" (too many wrong ones), or "refused".
struct GrantAnswer {
    std::optional<GuardDay> day;  // granted
    GrantProof proof = GrantProof::Password;
    bool wrong = false;
    std::uint32_t waitSeconds = 0;
};
std::string EncodeGrantedAnswer(GrantProof proof, const GuardDay& day);
std::optional<GrantAnswer> ParseGrantAnswer(std::string_view bytes);
// "secret BASE32": the one-time codes' secret, for the configuration window.
std::string EncodeSecretAnswer(std::string_view base32);
std::optional<std::string> ParseSecretAnswer(std::string_view bytes);

// The answers to a commit that was not written whole: "invalid NAME" (refused before anything
// was written, for that value) and "failed NAME" (that value could not be written; the ones
// before it were).
struct CommitAnswer {
    bool written = false;
    bool invalid = false;
    std::string name;  // the value refused or failed
};
std::string EncodeCommitAnswer(const CommitAnswer& answer);
std::optional<CommitAnswer> ParseCommitAnswer(std::string_view bytes);

// Time-zone rules as text (the numbers of the rules, blank-separated), for the hello and for
// the guardian's own store; nothing when a number is missing, extra or out of its range.
std::string EncodeZone(const TimeZoneRules& zone);
std::optional<TimeZoneRules> ParseZone(std::string_view text);

// The pieces the texts above are made of, for the guardian's store too.
std::string_view LockStateWord(LockState state);
std::optional<LockState> ParseLockState(std::string_view word);
// The words of a text and its numbers read strictly: SplitWords and ReadInteger (common/Text.h).

}  // namespace vardex
