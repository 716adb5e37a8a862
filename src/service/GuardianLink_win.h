#pragma once
// The lock service's side of the guardian.
// - The public pipe is trusted only when the process serving it is the guardian service that
//   the system's service manager names: a program that takes the pipe's name is not heard.
// - The channel, which the guardian hands to the lock service it started, carries the heartbeat
//   and the log lines. A thread of its own talks on it, so that the lock service's thread never
//   waits for the guardian; when the channel breaks (the guardian restarted), it asks for a new
//   one.
#include "guard/GuardProtocol.h"
#include "win/UniqueHandle_win.h"

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

namespace vardex {

// The guardian service runs (as the service manager says, which no user program can fake).
bool GuardianServiceRuns() noexcept;

// One request on the public pipe: the answer, or nothing when no guardian took it within the
// time; holds the caller at most that long, whatever the other end does.
std::optional<std::string> AskGuardian(const GuardRequest& request, DWORD timeoutMs = 500) noexcept;

class GuardianLink {
public:
    GuardianLink() = default;
    GuardianLink(const GuardianLink&) = delete;
    GuardianLink& operator=(const GuardianLink&) = delete;
    ~GuardianLink();

    // Takes the channel this process inherited from the guardian, or else asks for one, and says
    // hello on it, for at most timeoutMs: true when the guardian gave the channel (this process is
    // the session's lock service), false when it refused, nothing when no guardian answered in
    // time. The thread that keeps the channel starts in any case but a refusal.
    std::optional<bool> Open(std::optional<std::uint64_t> inherited, DWORD timeoutMs);
    // The guardian's answer to the hello: its day, the day's use and the time-zone rules.
    std::optional<GuardHello> Hello() const;
    // The day and its use of the guardian's latest answer to a heartbeat, once.
    std::optional<GuardDay> TakeDay();
    // True while a channel is open.
    bool Connected() const noexcept { return connected_; }

    // Queued for the link's thread; a newer heartbeat replaces one not yet sent.
    void Beat(LockState state, std::uint32_t graceLeftMs, bool counting);
    // Queued when a channel is open (false otherwise); lines the guardian refused are counted.
    bool Log(std::string line);
    // Lines that could not be delivered since the last call.
    unsigned TakeLostLines() noexcept { return lostLines_.exchange(0); }
    // Waits until everything queued is sent, or the time is over.
    void Flush(DWORD timeoutMs);
    // One question on the channel (a grant): the guardian's answer, or nothing when no channel is
    // open or no answer came within the time. The request's text (a password) is wiped once sent.
    std::optional<std::string> Ask(GuardRequest request, DWORD timeoutMs);

private:
    struct Work {
        std::optional<GuardRequest> beat;
        std::deque<std::string> lines;
        std::optional<std::pair<std::uint64_t, GuardRequest>> question;
        bool Empty() const { return !beat && lines.empty() && !question; }
    };
    // Sends the question and hands its answer to the one who asked; false when the channel broke.
    bool Answer(std::pair<std::uint64_t, GuardRequest>& question);
    static DWORD WINAPI Thread(void* link) noexcept;
    void Run();
    bool OpenChannel();
    // The channel the guardian named: checked, and greeted; false when it is not one.
    bool TakeChannel(std::uint64_t handle);
    bool Send(const GuardRequest& request, std::string& answer);

    UniqueFile channel_;  // the link's thread's alone once it runs
    UniqueKernelHandle thread_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Work work_;
    bool busy_ = false;  // the thread is sending what it took
    bool stopping_ = false;
    std::optional<GuardHello> hello_;
    std::optional<GuardDay> day_;
    std::uint64_t questions_ = 0;  // the last question's number
    std::uint64_t answered_ = 0;   // the number of the question the reply is for
    std::optional<std::string> reply_;
    std::atomic<bool> connected_ = false;
    std::atomic<unsigned> lostLines_ = 0;
};

}  // namespace vardex
