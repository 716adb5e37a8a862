#include "GuardianLink_win.h"

#include "win/ProcessProtection_win.h"

namespace vardex {

namespace {
// One exchange, connection included: nobody's thread is held longer, even by a program that took
// the pipe's name and never answers.
constexpr DWORD kExchangeMs = 500;
// A question waits for a password's check, which takes the guardian a good part of a second.
constexpr DWORD kQuestionMs = 15000;
// A channel that broke is asked for again this often.
constexpr DWORD kReconnectMs = 1000;
// Log lines waiting for the channel; more are refused (reported, as a log that cannot be written).
constexpr std::size_t kMaxQueuedLines = 64;

// The guardian service's process, as the service manager names it, while it runs.
std::optional<DWORD> GuardianProcessId() noexcept
{
    const UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const UniqueServiceHandle service(manager ? OpenServiceW(manager.Get(), kGuardianServiceName, SERVICE_QUERY_STATUS)
                                              : nullptr);
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!service || !QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                          sizeof status, &needed) ||
        status.dwCurrentState != SERVICE_RUNNING || status.dwProcessId == 0)
        return std::nullopt;
    return status.dwProcessId;
}

// True when the pipe's other end is the guardian service's own process.
bool ServedByGuardian(HANDLE pipe) noexcept
{
    ULONG server = 0;
    const std::optional<DWORD> guardian = GuardianProcessId();
    return guardian && GetNamedPipeServerProcessId(pipe, &server) && server == *guardian;
}

// Waits for an overlapped call until the deadline; false (and the call cancelled) when it is
// not done by then.
bool Finish(HANDLE pipe, OVERLAPPED& overlapped, BOOL started, ULONGLONG deadline, DWORD& size) noexcept
{
    if (!started && GetLastError() != ERROR_IO_PENDING)
        return false;
    const ULONGLONG now = GetTickCount64();
    if (WaitForSingleObject(overlapped.hEvent, now < deadline ? static_cast<DWORD>(deadline - now) : 0) !=
        WAIT_OBJECT_0) {
        CancelIoEx(pipe, &overlapped);
        GetOverlappedResult(pipe, &overlapped, &size, TRUE);
        return false;
    }
    return GetOverlappedResult(pipe, &overlapped, &size, FALSE) != FALSE;
}

// One message and its answer on a pipe opened for overlapped I/O in message mode.
std::optional<std::string> Exchange(HANDLE pipe, const std::string& message, ULONGLONG deadline) noexcept
{
    try {
        const UniqueKernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!event)
            return std::nullopt;
        OVERLAPPED overlapped{};
        overlapped.hEvent = event.Get();
        DWORD size = 0;
        if (!Finish(pipe, overlapped,
                    WriteFile(pipe, message.data(), static_cast<DWORD>(message.size()), nullptr, &overlapped), deadline,
                    size) ||
            size != message.size())
            return std::nullopt;
        std::string answer(kMaxGuardMessageBytes, '\0');
        ResetEvent(event.Get());
        if (!Finish(pipe, overlapped, ReadFile(pipe, answer.data(), static_cast<DWORD>(answer.size()), nullptr, &overlapped),
                    deadline, size))
            return std::nullopt;
        answer.resize(size);
        return answer;
    } catch (...) {
        return std::nullopt;
    }
}
}  // namespace

bool GuardianServiceRuns() noexcept
{
    return GuardianProcessId().has_value();
}

std::optional<std::string> AskGuardian(const GuardRequest& request, DWORD timeoutMs) noexcept
{
    try {
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        // Without a guardian the pipe does not exist, and this fails at once; when all its
        // instances are busy, the caller tries again.
        const UniqueFile pipe(CreateFileW(kGuardianPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OVERLAPPED, nullptr));
        DWORD mode = PIPE_READMODE_MESSAGE;
        if (!pipe || !ServedByGuardian(pipe.Get()) || !SetNamedPipeHandleState(pipe.Get(), &mode, nullptr, nullptr))
            return std::nullopt;
        return Exchange(pipe.Get(), EncodeGuardRequest(request), deadline);
    } catch (...) {
        return std::nullopt;
    }
}

GuardianLink::~GuardianLink()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_)
        WaitForSingleObject(thread_.Get(), INFINITE);
}

std::optional<bool> GuardianLink::Open(std::optional<std::uint64_t> inherited, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    std::optional<bool> ours;
    if (inherited) {
        // Not to be passed on to what we start.
        SetHandleInformation(reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(*inherited)), HANDLE_FLAG_INHERIT, 0);
        if (TakeChannel(*inherited)) {
            ours = true;
            connected_ = true;
        }
    }
    // The guardian may be busy or starting: asked again until the time is over.
    while (!ours && GetTickCount64() < deadline) {
        const std::optional<std::string> answer = AskGuardian(GuardRequest::Of(GuardRequestKind::Channel));
        if (!answer) {
            Sleep(100);
            continue;
        }
        const std::optional<std::uint64_t> handle = ParseChannelAnswer(*answer);
        if (!handle)
            return false;  // refused: the session's lock service is another process
        ours = true;
        connected_ = TakeChannel(*handle);
    }
    DWORD id = 0;
    thread_ = UniqueKernelHandle(CreateThread(nullptr, 0, Thread, this, 0, &id));
    if (thread_)
        ProtectNewThread(thread_.Get());
    return ours;
}

std::optional<GuardHello> GuardianLink::Hello() const
{
    const std::lock_guard lock(mutex_);
    return hello_;
}

std::optional<GuardDay> GuardianLink::TakeDay()
{
    const std::lock_guard lock(mutex_);
    return std::exchange(day_, std::nullopt);
}

void GuardianLink::Beat(LockState state, std::uint32_t graceLeftMs, bool counting)
{
    {
        const std::lock_guard lock(mutex_);
        work_.beat = GuardRequest::Beat(state, graceLeftMs, counting);
    }
    changed_.notify_all();
}

bool GuardianLink::Log(std::string line)
{
    {
        const std::lock_guard lock(mutex_);
        if (!connected_ || work_.lines.size() >= kMaxQueuedLines)
            return false;
        work_.lines.push_back(std::move(line));
    }
    changed_.notify_all();
    return true;
}

void GuardianLink::Flush(DWORD timeoutMs)
{
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return (work_.Empty() && !busy_) || !connected_; });
}

std::optional<std::string> GuardianLink::Ask(GuardRequest request, DWORD timeoutMs)
{
    std::unique_lock lock(mutex_);
    if (!connected_) {
        SecureZeroMemory(request.text.data(), request.text.size());
        return std::nullopt;
    }
    const std::uint64_t number = ++questions_;
    if (work_.question)
        SecureZeroMemory(work_.question->second.text.data(), work_.question->second.text.size());
    work_.question.emplace(number, std::move(request));
    reply_.reset();
    changed_.notify_all();
    changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return answered_ == number || !connected_; });
    if (answered_ != number)
        return std::nullopt;
    return std::exchange(reply_, std::nullopt);
}

bool GuardianLink::Answer(std::pair<std::uint64_t, GuardRequest>& question)
{
    std::string message = EncodeGuardRequest(question.second);
    const std::optional<std::string> received = Exchange(channel_.Get(), message, GetTickCount64() + kQuestionMs);
    SecureZeroMemory(message.data(), message.size());
    SecureZeroMemory(question.second.text.data(), question.second.text.size());
    const std::lock_guard lock(mutex_);
    if (received) {
        answered_ = question.first;
        reply_ = received;
    }
    return received.has_value();
}

bool GuardianLink::Send(const GuardRequest& request, std::string& answer)
{
    const std::optional<std::string> received =
        Exchange(channel_.Get(), EncodeGuardRequest(request), GetTickCount64() + kExchangeMs);
    if (!received)
        return false;
    answer = *received;
    return true;
}

bool GuardianLink::OpenChannel()
{
    const std::optional<std::string> answer = AskGuardian(GuardRequest::Of(GuardRequestKind::Channel));
    const std::optional<std::uint64_t> handle = answer ? ParseChannelAnswer(*answer) : std::nullopt;
    return handle && TakeChannel(*handle);
}

bool GuardianLink::TakeChannel(std::uint64_t handle)
{
    channel_ = UniqueFile(reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(handle)));
    // The handle names a pipe of the guardian's, not whatever a number happens to be.
    std::string answer;
    std::optional<GuardHello> hello;
    if (GetFileType(channel_.Get()) == FILE_TYPE_PIPE && ServedByGuardian(channel_.Get()) &&
        Send(GuardRequest::Of(GuardRequestKind::Hello), answer))
        hello = ParseHelloAnswer(answer);
    if (!hello) {
        channel_.Release();  // not ours to close: it may be any handle of this process
        return false;
    }
    const std::lock_guard lock(mutex_);
    hello_ = hello;
    return true;
}

void GuardianLink::Run()
{
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (!connected_) {
            lock.unlock();
            const bool opened = OpenChannel();
            lock.lock();
            connected_ = opened;
            changed_.notify_all();
            if (!opened)
                changed_.wait_for(lock, std::chrono::milliseconds(kReconnectMs), [this] { return stopping_; });
            continue;
        }
        if (work_.Empty()) {
            changed_.wait(lock, [this] { return stopping_ || !work_.Empty(); });
            continue;
        }
        Work taken = std::move(work_);
        work_ = Work{};
        busy_ = true;
        lock.unlock();
        bool broken = false;
        std::string answer;
        for (const std::string& line : taken.lines) {
            broken = broken || !Send(GuardRequest::LogLine(line), answer);
            if (broken || answer != kGuardAccepted)
                ++lostLines_;  // unheard, or refused
        }
        if (taken.question && !broken)
            broken = !Answer(*taken.question);
        std::optional<GuardDay> day;
        if (taken.beat && !broken) {
            broken = !Send(*taken.beat, answer);
            day = broken ? std::nullopt : ParseBeatAnswer(answer);
        }
        lock.lock();
        busy_ = false;
        if (day)
            day_ = day;
        if (broken) {
            // The guardian went (or restarted): a new channel is asked for; the heartbeat
            // goes again with the next one.
            channel_.Reset();
            connected_ = false;
        }
        changed_.notify_all();
    }
}

DWORD WINAPI GuardianLink::Thread(void* link) noexcept
{
    try {
        static_cast<GuardianLink*>(link)->Run();
    } catch (...) {
        // The lock service goes on without its guardian, which notices the silence.
    }
    return 0;
}

}  // namespace vardex
