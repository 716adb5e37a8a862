#pragma once
// The guardian's pipes, served by its one loop through an I/O completion port, so that any
// number of sessions is served alike.
// - The public pipe: a few instances, each taking one message, giving one answer and
//   disconnecting. A client is known by its own token (impersonation) and by the process the
//   pipe names; it may hold one connection at a time; one that says nothing is cut off after a
//   short while; an oversized message is dropped unread.
// - The channels: one pipe per lock service, whose only client end the guardian opens itself and
//   hands over into the lock service's process. Nobody else can connect to it (one instance,
//   taken at once) or name it (a random name, an access list for the system and administrators).
#include "Guardian.h"
#include "win/UniqueHandle_win.h"

#include <windows.h>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vardex {

// A channel made and listening, with its one client end opened here; it belongs to a process
// once bound to it.
struct PreparedChannel {
    std::uint64_t id = 0;
    UniqueFile client;
};

// How the guardian's host gets channels for the lock services it starts or takes back.
class ChannelMaker {
public:
    virtual ~ChannelMaker() = default;
    virtual std::optional<PreparedChannel> PrepareChannel(std::uint32_t sessionId) = 0;
    // From now on the channel's messages are the process's; earlier channels of the session go.
    virtual void BindChannel(std::uint64_t id, std::uint32_t processId) = 0;
    virtual void DropChannel(std::uint64_t id) = 0;
    // A channel handed into the running process (whose handle may duplicate handles into it):
    // the handle's value there.
    virtual std::optional<std::uint64_t> HandOverChannel(std::uint32_t sessionId, std::uint32_t processId,
                                                         HANDLE process) = 0;
};

class GuardPipeServer final : public ChannelMaker {
public:
    using PublicHandler = std::function<std::string(const GuardClient& client, std::string_view message)>;
    using ChannelHandler =
        std::function<std::string(std::uint32_t sessionId, std::uint32_t processId, std::string_view message)>;
    using Logger = std::function<void(const std::string& text)>;

    // Completions of the pipes come to port with this key.
    static constexpr ULONG_PTR kCompletionKey = 0x50495045;

    GuardPipeServer(HANDLE port, PublicHandler publicHandler, ChannelHandler channelHandler, Logger logger);
    GuardPipeServer(const GuardPipeServer&) = delete;
    GuardPipeServer& operator=(const GuardPipeServer&) = delete;
    ~GuardPipeServer() override;

    // False when the public pipe could not be created (another program holds the name).
    bool Listening() const noexcept { return listening_; }
    // A completion of the port with kCompletionKey.
    void Completed(OVERLAPPED* overlapped, DWORD bytes, DWORD error);
    // Cuts off public clients that have said nothing for too long; the ms until the next one is due.
    std::optional<std::int64_t> CutOffSilent();
    std::optional<PreparedChannel> PrepareChannel(std::uint32_t sessionId) override;
    void BindChannel(std::uint64_t id, std::uint32_t processId) override;
    void DropChannel(std::uint64_t id) override { Close(id); }
    std::optional<std::uint64_t> HandOverChannel(std::uint32_t sessionId, std::uint32_t processId,
                                                 HANDLE process) override;

private:
    // Answered: the answer is written and we wait for the client to close its end, so that
    // disconnecting does not throw the answer away; never for longer than a silent client.
    enum class Phase { Idle, Connecting, Reading, Answered };
    struct Instance {
        std::uint64_t id = 0;
        UniqueFile pipe;
        Phase phase = Phase::Idle;
        // The operation under way belongs to this serial; one that completes after the
        // instance moved on (cancelled, disconnected) is dropped.
        std::uint64_t serial = 0;
        std::uint64_t deadline = 0;
        std::uint32_t clientProcess = 0;
        // A channel's lock service; 0 for an instance of the public pipe.
        std::uint32_t sessionId = 0;
        std::uint32_t processId = 0;
    };
    // One overlapped call: it lives until its completion comes, whatever became of its instance.
    struct Operation {
        OVERLAPPED overlapped{};
        std::uint64_t instance = 0;
        std::uint64_t serial = 0;
        std::array<char, kMaxGuardMessageBytes> buffer{};
    };

    Instance& Add(UniqueFile pipe, std::uint32_t sessionId, std::uint32_t processId);
    Instance* Find(std::uint64_t id);
    // Starts an overlapped call on the instance; false when it failed at once (no completion
    // will come).
    template <typename Call>
    bool Issue(Instance& instance, Call call);
    void Listen(Instance& instance);
    void StartReading(Instance& instance, Phase phase);
    void Connected(Instance& instance);
    void Read(Instance& instance, Operation& operation, DWORD size, DWORD error);
    bool Write(Instance& instance, std::string_view answer);
    void Disconnect(Instance& instance);
    void Close(std::uint64_t id);
    std::optional<GuardClient> ClientOf(HANDLE pipe, std::uint32_t processId) const;
    bool ClientHoldsAnother(const Instance& instance) const;

    HANDLE port_;
    PublicHandler publicHandler_;
    ChannelHandler channelHandler_;
    Logger logger_;
    std::map<std::uint64_t, std::unique_ptr<Instance>> instances_;
    std::map<Operation*, std::unique_ptr<Operation>> operations_;
    std::uint64_t nextId_ = 1;
    bool listening_ = false;
};

}  // namespace vardex
