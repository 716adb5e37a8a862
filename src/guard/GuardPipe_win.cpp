#include "GuardPipe_win.h"

#include "GuardianHost_win.h"

#include <sddl.h>

namespace vardex {

namespace {
constexpr std::size_t kInstances = 4;
constexpr std::uint64_t kSilenceMs = 2000;
// The interactive users may read and write, not create instances of their own: the pipe's
// name stays ours. The system and administrators have full access.
constexpr const wchar_t* kPipeSecurity = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x12019b;;;IU)";
}  // namespace

GuardPipeServer::GuardPipeServer(Handler handler, Logger logger)
    : handler_(std::move(handler)), logger_(std::move(logger))
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kPipeSecurity, SDDL_REVISION_1, &descriptor, nullptr))
        return;
    const UniqueLocalMemory descriptorMemory(descriptor);
    SECURITY_ATTRIBUTES security{sizeof security, descriptor, FALSE};
    for (std::size_t i = 0; i < kInstances; ++i) {
        auto instance = std::make_unique<Instance>();
        // The first instance must be new: a program that took the name first is not served.
        const DWORD firstFlag = i == 0 ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0;
        instance->pipe = UniqueFile(CreateNamedPipeW(
            kGuardianPipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | firstFlag,
            PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, kInstances, 256,
            kMaxGuardMessageBytes, 0, &security));
        instance->event = UniqueKernelHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!instance->pipe || !instance->event)
            return;
        instance->overlapped.hEvent = instance->event.Get();
        instances_.push_back(std::move(instance));
    }
    listening_ = true;
    for (auto& instance : instances_)
        Listen(*instance);
}

GuardPipeServer::~GuardPipeServer()
{
    for (auto& instance : instances_) {
        CancelIo(instance->pipe.Get());
        DisconnectNamedPipe(instance->pipe.Get());
        DWORD ignored = 0;
        if (instance->pending)
            GetOverlappedResult(instance->pipe.Get(), &instance->overlapped, &ignored, TRUE);
    }
}

std::vector<HANDLE> GuardPipeServer::Events() const
{
    std::vector<HANDLE> events;
    for (const auto& instance : instances_)
        events.push_back(instance->event.Get());
    return events;
}

void GuardPipeServer::Listen(Instance& instance)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        ResetEvent(instance.event.Get());
        instance.phase = Phase::Connecting;
        const bool connected = ConnectNamedPipe(instance.pipe.Get(), &instance.overlapped);
        const DWORD error = connected ? ERROR_SUCCESS : GetLastError();
        instance.pending = connected || error == ERROR_IO_PENDING;
        if (instance.pending)
            return;
        if (error == ERROR_PIPE_CONNECTED) {
            SetEvent(instance.event.Get());  // came before we listened: served as connected
            return;
        }
        DisconnectNamedPipe(instance.pipe.Get());  // a client that came and went: listen anew
    }
    instance.phase = Phase::Idle;
    logger_("A pipe instance stopped listening.");
}

void GuardPipeServer::StartReading(Instance& instance, Phase phase)
{
    ResetEvent(instance.event.Get());
    instance.phase = phase;
    instance.deadline = GetTickCount64() + kSilenceMs;
    const bool read = ReadFile(instance.pipe.Get(), instance.buffer.data(), static_cast<DWORD>(instance.buffer.size()),
                               nullptr, &instance.overlapped);
    // An oversized message completes at once with the rest left unread: it is collected in Serve.
    instance.pending = read || GetLastError() == ERROR_IO_PENDING || GetLastError() == ERROR_MORE_DATA;
    if (!instance.pending)
        Disconnect(instance);
}

void GuardPipeServer::Serve(std::size_t index)
{
    Instance& instance = *instances_.at(index);
    DWORD size = 0;
    bool done = true;
    DWORD error = ERROR_SUCCESS;
    if (instance.pending) {
        done = GetOverlappedResult(instance.pipe.Get(), &instance.overlapped, &size, FALSE);
        error = done ? ERROR_SUCCESS : GetLastError();
        if (error == ERROR_IO_INCOMPLETE)
            return;
        instance.pending = false;
    }
    if (instance.phase == Phase::Connecting) {
        if (done)
            StartReading(instance, Phase::Reading);
        else
            Disconnect(instance);
        return;
    }
    if (instance.phase == Phase::Reading && error == ERROR_MORE_DATA) {
        const std::optional<GuardClient> client = ClientOf(instance.pipe.Get());
        logger_("Dropped an oversized message from process " +
                std::to_string(client ? client->processId : 0) + ".");
    } else if (instance.phase == Phase::Reading && done && Answer(instance, size)) {
        StartReading(instance, Phase::Answered);
        return;
    }
    // Answered and closed by the client (or it said more, which is not heard), or failed.
    Disconnect(instance);
}

bool GuardPipeServer::Answer(Instance& instance, DWORD size)
{
    const std::optional<GuardClient> client = ClientOf(instance.pipe.Get());
    if (!client) {
        logger_("Refused a message from a client that could not be identified.");
        return false;
    }
    const std::string_view answer = handler_(*client, std::string_view(instance.buffer.data(), size));
    // The answer fits the pipe's empty buffer: the write completes at once, or the client is
    // cut off. Nothing here waits for the client to read it.
    ResetEvent(instance.event.Get());
    const bool wrote = WriteFile(instance.pipe.Get(), answer.data(), static_cast<DWORD>(answer.size()), nullptr,
                                 &instance.overlapped);
    instance.pending = wrote || GetLastError() == ERROR_IO_PENDING;
    if (!instance.pending || WaitForSingleObject(instance.event.Get(), 100) != WAIT_OBJECT_0)
        return false;
    instance.pending = false;
    DWORD written = 0;
    return GetOverlappedResult(instance.pipe.Get(), &instance.overlapped, &written, FALSE) && written == answer.size();
}

void GuardPipeServer::Disconnect(Instance& instance)
{
    // Disconnecting ends what is still pending on our end; only then is it waited for. A call
    // that failed at once left nothing to wait for.
    CancelIo(instance.pipe.Get());
    DisconnectNamedPipe(instance.pipe.Get());
    if (instance.pending) {
        DWORD ignored = 0;
        GetOverlappedResult(instance.pipe.Get(), &instance.overlapped, &ignored, TRUE);
        instance.pending = false;
    }
    instance.phase = Phase::Idle;
    Listen(instance);
}

std::optional<std::int64_t> GuardPipeServer::CutOffSilent()
{
    const std::uint64_t now = GetTickCount64();
    std::optional<std::int64_t> next;
    for (auto& instance : instances_) {
        if (instance->phase != Phase::Reading && instance->phase != Phase::Answered)
            continue;
        if (instance->deadline <= now) {
            if (instance->phase == Phase::Reading)
                logger_("Cut off a client that sent nothing.");
            Disconnect(*instance);
            continue;
        }
        const auto left = static_cast<std::int64_t>(instance->deadline - now);
        next = next ? std::min(*next, left) : left;
    }
    return next;
}

std::optional<GuardClient> GuardPipeServer::ClientOf(HANDLE pipe) const
{
    GuardClient client;
    ULONG processId = 0;
    DWORD sessionId = 0;
    if (!GetNamedPipeClientProcessId(pipe, &processId) || !ProcessIdToSessionId(processId, &sessionId))
        return std::nullopt;
    const UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    HANDLE rawToken = nullptr;
    if (!process || !OpenProcessToken(process.Get(), TOKEN_QUERY, &rawToken))
        return std::nullopt;
    const UniqueKernelHandle token(rawToken);
    client.processId = processId;
    client.sessionId = sessionId;
    client.userName = TokenUserName(token.Get());
    if (client.userName.empty())
        return std::nullopt;
    return client;
}

}  // namespace vardex
