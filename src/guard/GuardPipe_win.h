#pragma once
// The guardian's pipe: a few instances served by the guardian's one loop with overlapped I/O,
// each taking one message, giving one answer and disconnecting. A client that says nothing is
// cut off after a short while; an oversized message is dropped unread.
#include "Guardian.h"
#include "common/UniqueHandle_win.h"

#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vardex {

class GuardPipeServer {
public:
    using Handler = std::function<std::string_view(const GuardClient& client, std::string_view message)>;
    using Logger = std::function<void(const std::string& text)>;

    GuardPipeServer(Handler handler, Logger logger);
    GuardPipeServer(const GuardPipeServer&) = delete;
    GuardPipeServer& operator=(const GuardPipeServer&) = delete;
    ~GuardPipeServer();

    // False when the pipe could not be created (another program holds the name).
    bool Listening() const noexcept { return listening_; }
    // The events to wait for, one per instance.
    std::vector<HANDLE> Events() const;
    // The instance whose event is set goes on.
    void Serve(std::size_t index);
    // Cuts off clients that have said nothing for too long; the ms until the next one is due.
    std::optional<std::int64_t> CutOffSilent();

private:
    // Answered: the answer is written and we wait for the client to close its end, so that
    // disconnecting does not throw the answer away; never for longer than a silent client.
    enum class Phase { Idle, Connecting, Reading, Answered };
    struct Instance {
        UniqueFile pipe;
        UniqueKernelHandle event;
        OVERLAPPED overlapped{};
        Phase phase = Phase::Idle;
        bool pending = false;  // an overlapped call is under way or done and not yet collected
        std::uint64_t deadline = 0;
        std::array<char, kMaxGuardMessageBytes> buffer{};
    };

    void Listen(Instance& instance);
    void StartReading(Instance& instance, Phase phase);
    // False when the client could not be identified or the answer not written.
    bool Answer(Instance& instance, DWORD size);
    void Disconnect(Instance& instance);
    std::optional<GuardClient> ClientOf(HANDLE pipe) const;

    Handler handler_;
    Logger logger_;
    std::vector<std::unique_ptr<Instance>> instances_;
    bool listening_ = false;
};

}  // namespace vardex
