#include "GuardPipe_win.h"

#include "GuardianHost_win.h"
#include "win/ProcessProtection_win.h"
#include "win/TextConvert_win.h"
#include "common/Texts.h"

#include <bcrypt.h>
#include <sddl.h>

#include <cstdlib>

namespace vardex {

namespace {
constexpr DWORD kPublicInstances = 8;
constexpr std::uint64_t kSilenceMs = 2000;
// An answer fits the pipe's empty buffer: a write that takes longer than this is a client that
// does not read, and it is cut off.
constexpr DWORD kWriteWaitMs = 100;
// The interactive users may read and write, not create instances of their own: the pipe's
// name stays ours. The system and administrators have full access.
constexpr const wchar_t* kPublicSecurity = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x12019b;;;IU)";
// A channel is for the guardian alone to open; it hands the end over itself.
constexpr const wchar_t* kChannelSecurity = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

// A security descriptor made from its text, freed with the object.
class Security {
public:
    explicit Security(const wchar_t* text) noexcept
    {
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &descriptor_, nullptr))
            descriptor_ = nullptr;
        attributes_ = {sizeof attributes_, descriptor_, FALSE};
    }
    Security(const Security&) = delete;
    Security& operator=(const Security&) = delete;
    ~Security() { LocalFree(descriptor_); }
    SECURITY_ATTRIBUTES* Attributes() noexcept { return descriptor_ ? &attributes_ : nullptr; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_{};
};

UniqueFile CreatePipe(const std::wstring& name, Security& security, DWORD instances, bool first)
{
    if (!security.Attributes())
        return UniqueFile();
    return UniqueFile(CreateNamedPipeW(name.c_str(),
                                       PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
                                       PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                                       instances, kMaxGuardMessageBytes, kMaxGuardMessageBytes, 0, security.Attributes()));
}

// A name nobody can guess, for a channel.
std::optional<std::wstring> ChannelName()
{
    unsigned char random[16];
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, random, sizeof random, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return std::nullopt;
    std::wstring name = std::wstring(kGuardianPipeName) + L"-";
    constexpr wchar_t kDigits[] = L"0123456789abcdef";
    for (const unsigned char byte : random) {
        name += kDigits[byte >> 4];
        name += kDigits[byte & 15];
    }
    return name;
}

}  // namespace

GuardPipeServer::GuardPipeServer(HANDLE port, PublicHandler publicHandler, ChannelHandler channelHandler, Logger logger)
    : port_(port), publicHandler_(std::move(publicHandler)), channelHandler_(std::move(channelHandler)),
      logger_(std::move(logger))
{
    Security security(kPublicSecurity);
    for (DWORD i = 0; i < kPublicInstances; ++i) {
        // The first instance must be new: a program that took the name first is not served.
        UniqueFile pipe = CreatePipe(kGuardianPipeName, security, kPublicInstances, i == 0);
        if (!pipe || !CreateIoCompletionPort(pipe.Get(), port_, kCompletionKey, 0))
            return;
        Add(std::move(pipe), 0, 0);
    }
    listening_ = true;
    for (auto& [id, instance] : instances_)
        Listen(*instance);
}

GuardPipeServer::~GuardPipeServer()
{
    for (auto& [id, instance] : instances_)
        CancelIoEx(instance->pipe.Get(), nullptr);
    instances_.clear();
    // The cancelled calls complete through the port: their memory is freed only then.
    const ULONGLONG deadline = GetTickCount64() + 1000;
    while (!operations_.empty() && GetTickCount64() < deadline) {
        DWORD bytes = 0;
        ULONG_PTR key = 0;
        OVERLAPPED* overlapped = nullptr;
        GetQueuedCompletionStatus(port_, &bytes, &key, &overlapped, 100);
        if (key == kCompletionKey && overlapped)
            operations_.erase(reinterpret_cast<Operation*>(overlapped));
    }
}

GuardPipeServer::Instance& GuardPipeServer::Add(UniqueFile pipe, std::uint32_t sessionId, std::uint32_t processId)
{
    auto instance = std::make_unique<Instance>();
    instance->id = nextId_++;
    instance->pipe = std::move(pipe);
    instance->sessionId = sessionId;
    instance->processId = processId;
    Instance& added = *instance;
    instances_[added.id] = std::move(instance);
    return added;
}

GuardPipeServer::Instance* GuardPipeServer::Find(std::uint64_t id)
{
    const auto found = instances_.find(id);
    return found == instances_.end() ? nullptr : found->second.get();
}

template <typename Call>
bool GuardPipeServer::Issue(Instance& instance, Call call)
{
    auto operation = std::make_unique<Operation>();
    operation->instance = instance.id;
    operation->serial = ++instance.serial;
    Operation* raw = operation.get();
    operations_[raw] = std::move(operation);
    const BOOL done = call(*raw);
    const DWORD error = done ? ERROR_SUCCESS : GetLastError();
    // Done at once or under way, its completion comes through the port; a call that failed at
    // once leaves nothing to wait for.
    if (done || error == ERROR_IO_PENDING || error == ERROR_MORE_DATA)
        return true;
    operations_.erase(raw);
    SetLastError(error);
    return false;
}

void GuardPipeServer::Listen(Instance& instance)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        instance.phase = Phase::Connecting;
        instance.clientProcess = 0;
        if (Issue(instance, [&instance](Operation& operation) {
                return ConnectNamedPipe(instance.pipe.Get(), &operation.overlapped);
            }))
            return;
        if (GetLastError() == ERROR_PIPE_CONNECTED) {
            Connected(instance);  // came before we listened
            return;
        }
        DisconnectNamedPipe(instance.pipe.Get());  // a client that came and went: listen anew
    }
    instance.phase = Phase::Idle;
    logger_(EnglishText(TextId::MessagePipeStopped));
}

void GuardPipeServer::Connected(Instance& instance)
{
    if (instance.sessionId == 0) {
        ULONG process = 0;
        GetNamedPipeClientProcessId(instance.pipe.Get(), &process);
        instance.clientProcess = process;
        // One connection at a time per program: one program cannot hold every instance.
        if (process == 0 || ClientHoldsAnother(instance)) {
            Disconnect(instance);
            return;
        }
    }
    StartReading(instance, Phase::Reading);
}

bool GuardPipeServer::ClientHoldsAnother(const Instance& instance) const
{
    for (const auto& [id, other] : instances_)
        if (other.get() != &instance && other->sessionId == 0 && other->clientProcess == instance.clientProcess &&
            (other->phase == Phase::Reading || other->phase == Phase::Answered))
            return true;
    return false;
}

void GuardPipeServer::StartReading(Instance& instance, Phase phase)
{
    instance.phase = phase;
    instance.deadline = instance.sessionId == 0 ? GetTickCount64() + kSilenceMs : 0;
    if (Issue(instance, [&instance](Operation& operation) {
            return ReadFile(instance.pipe.Get(), operation.buffer.data(), static_cast<DWORD>(operation.buffer.size()),
                            nullptr, &operation.overlapped);
        }))
        return;
    if (instance.sessionId != 0)
        Close(instance.id);
    else
        Disconnect(instance);
}

void GuardPipeServer::Completed(OVERLAPPED* overlapped, DWORD bytes, DWORD error)
{
    const auto found = operations_.find(reinterpret_cast<Operation*>(overlapped));
    if (found == operations_.end())
        return;
    const std::unique_ptr<Operation> operation = std::move(found->second);
    operations_.erase(found);
    Instance* instance = Find(operation->instance);
    if (!instance || instance->serial != operation->serial)
        return;  // the instance has moved on since
    switch (instance->phase) {
    case Phase::Connecting:
        if (error == ERROR_SUCCESS || error == ERROR_PIPE_CONNECTED)
            Connected(*instance);
        else if (instance->sessionId != 0)
            Close(instance->id);
        else
            Disconnect(*instance);
        break;
    case Phase::Reading: Read(*instance, *operation, bytes, error); break;
    case Phase::Answered: Disconnect(*instance); break;  // closed by the client, or it said more
    case Phase::Idle: break;
    }
}

void GuardPipeServer::Read(Instance& instance, Operation& operation, DWORD size, DWORD error)
{
    const std::string_view message(operation.buffer.data(), size);
    if (instance.sessionId != 0) {
        // The lock service ended (or sent what it never sends): its channel goes.
        if (error != ERROR_SUCCESS || instance.processId == 0 ||
            !Write(instance, channelHandler_(instance.sessionId, instance.processId, message))) {
            Close(instance.id);
            return;
        }
        StartReading(instance, Phase::Reading);
        return;
    }
    if (error == ERROR_MORE_DATA)
        logger_(EnglishMessage(TextId::MessagePipeOversized, {std::to_string(instance.clientProcess)}));
    if (error != ERROR_SUCCESS) {
        Disconnect(instance);
        return;
    }
    const std::optional<GuardClient> client = ClientOf(instance.pipe.Get(), instance.clientProcess);
    if (!client) {
        logger_(EnglishText(TextId::MessagePipeUnidentified));
        Disconnect(instance);
        return;
    }
    const std::string answer = publicHandler_(*client, message);
    // A password may have been in it: it does not stay in our memory.
    SecureZeroMemory(operation.buffer.data(), operation.buffer.size());
    if (!Write(instance, answer)) {
        Disconnect(instance);
        return;
    }
    StartReading(instance, Phase::Answered);
}

bool GuardPipeServer::Write(Instance& instance, std::string_view answer)
{
    // Outside the port (the event's low bit set): nothing here waits for a client that does not
    // read beyond a moment.
    const UniqueKernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event)
        return false;
    OVERLAPPED overlapped{};
    overlapped.hEvent = reinterpret_cast<HANDLE>(reinterpret_cast<ULONG_PTR>(event.Get()) | 1);
    const auto size = static_cast<DWORD>(answer.size());
    if (!WriteFile(instance.pipe.Get(), answer.data(), size, nullptr, &overlapped) && GetLastError() != ERROR_IO_PENDING)
        return false;
    DWORD written = 0;
    if (WaitForSingleObject(event.Get(), kWriteWaitMs) != WAIT_OBJECT_0) {
        CancelIoEx(instance.pipe.Get(), &overlapped);
        GetOverlappedResult(instance.pipe.Get(), &overlapped, &written, TRUE);
        return false;
    }
    return GetOverlappedResult(instance.pipe.Get(), &overlapped, &written, FALSE) && written == size;
}

void GuardPipeServer::Disconnect(Instance& instance)
{
    // What is still under way belongs to the old serial, and is dropped when it completes.
    ++instance.serial;
    CancelIoEx(instance.pipe.Get(), nullptr);
    DisconnectNamedPipe(instance.pipe.Get());
    instance.phase = Phase::Idle;
    Listen(instance);
}

void GuardPipeServer::Close(std::uint64_t id)
{
    if (Instance* instance = Find(id))
        CancelIoEx(instance->pipe.Get(), nullptr);
    instances_.erase(id);
}

std::optional<std::int64_t> GuardPipeServer::CutOffSilent()
{
    const std::uint64_t now = GetTickCount64();
    std::optional<std::int64_t> next;
    std::vector<Instance*> due;
    for (auto& [id, instance] : instances_) {
        if (instance->sessionId != 0 || (instance->phase != Phase::Reading && instance->phase != Phase::Answered))
            continue;
        if (instance->deadline <= now) {
            due.push_back(instance.get());
            continue;
        }
        const auto left = static_cast<std::int64_t>(instance->deadline - now);
        next = next ? std::min(*next, left) : left;
    }
    for (Instance* instance : due) {
        if (instance->phase == Phase::Reading)
            logger_(EnglishText(TextId::MessagePipeSilentClient));
        Disconnect(*instance);
    }
    return next;
}

std::optional<PreparedChannel> GuardPipeServer::PrepareChannel(std::uint32_t sessionId)
{
    const std::optional<std::wstring> name = ChannelName();
    Security security(kChannelSecurity);
    UniqueFile server = name ? CreatePipe(*name, security, 1, true) : UniqueFile();
    if (!server || !CreateIoCompletionPort(server.Get(), port_, kCompletionKey, 0))
        return std::nullopt;
    Instance& channel = Add(std::move(server), sessionId, 0);
    channel.phase = Phase::Connecting;
    const bool listening = Issue(channel, [&channel](Operation& operation) {
        return ConnectNamedPipe(channel.pipe.Get(), &operation.overlapped);
    });
    // The one end for the lock service, opened here at once: nobody else can connect after it.
    PreparedChannel prepared{channel.id,
                             UniqueFile(CreateFileW(name->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                                    FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                                                    nullptr))};
    DWORD mode = PIPE_READMODE_MESSAGE;
    if (!listening || !prepared.client || !SetNamedPipeHandleState(prepared.client.Get(), &mode, nullptr, nullptr)) {
        Close(channel.id);
        return std::nullopt;
    }
    return prepared;
}

void GuardPipeServer::BindChannel(std::uint64_t id, std::uint32_t processId)
{
    Instance* channel = Find(id);
    if (!channel)
        return;
    std::vector<std::uint64_t> earlier;
    for (const auto& [other, instance] : instances_)
        if (other != id && instance->sessionId == channel->sessionId)
            earlier.push_back(other);
    for (const std::uint64_t other : earlier)
        Close(other);
    channel->processId = processId;
}

std::optional<std::uint64_t> GuardPipeServer::HandOverChannel(std::uint32_t sessionId, std::uint32_t processId,
                                                              HANDLE process)
{
    std::optional<PreparedChannel> channel = PrepareChannel(sessionId);
    HANDLE remote = nullptr;
    if (!channel)
        return std::nullopt;
    if (!DuplicateHandle(GetCurrentProcess(), channel->client.Get(), process, &remote, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        Close(channel->id);
        return std::nullopt;
    }
    BindChannel(channel->id, processId);
    return static_cast<std::uint64_t>(reinterpret_cast<ULONG_PTR>(remote));
}

std::optional<GuardClient> GuardPipeServer::ClientOf(HANDLE pipe, std::uint32_t processId) const
{
    // The client's own token tells who it is; the process the pipe names tells which program.
    if (!ImpersonateNamedPipeClient(pipe))
        return std::nullopt;
    HANDLE rawToken = nullptr;
    const bool opened = OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &rawToken) != FALSE;
    // Never go on as the client.
    if (!RevertToSelf())
        std::abort();
    if (!opened)
        return std::nullopt;
    const UniqueKernelHandle token(rawToken);
    GuardClient client;
    DWORD sessionId = 0, size = sizeof sessionId;
    if (!GetTokenInformation(token.Get(), TokenSessionId, &sessionId, size, &size))
        return std::nullopt;
    client.sessionId = sessionId;
    client.processId = processId;
    client.userSid = SidText(TokenUserSid(token.Get()));
    client.userName = TokenUserName(token.Get());
    if (client.userSid.empty())
        return std::nullopt;
    return client;
}

}  // namespace vardex
