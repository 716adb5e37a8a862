#include "GuardianHost_win.h"

#include "common/Texts.h"
#include "config/Settings.h"
#include "win/ProcessProtection_win.h"
#include "win/ResourceTexts_win.h"
#include "win/TextConvert_win.h"

#include <sddl.h>
#include <userenv.h>
#include <wtsapi32.h>

#include <algorithm>
#include <memory>
#include <mutex>

namespace vardex {

namespace {
constexpr const char* kLockServiceFile = "vardex.exe";
// The one message of GuardMessages.mc: the entry's own text.
constexpr DWORD kGuardianTextMessage = 1;

UniqueKernelHandle SessionUserToken(std::uint32_t sessionId)
{
    HANDLE token = nullptr;
    if (!WTSQueryUserToken(sessionId, &token))
        return UniqueKernelHandle();
    return UniqueKernelHandle(token);
}

// The environment of the user's own logon, freed with the block's owner.
class UserEnvironment {
public:
    explicit UserEnvironment(HANDLE token) noexcept
    {
        if (!CreateEnvironmentBlock(&block_, token, FALSE))
            block_ = nullptr;
    }
    UserEnvironment(const UserEnvironment&) = delete;
    UserEnvironment& operator=(const UserEnvironment&) = delete;
    ~UserEnvironment()
    {
        if (block_)
            DestroyEnvironmentBlock(block_);
    }
    void* Get() const noexcept { return block_; }

private:
    void* block_ = nullptr;
};

// The lock service never needs an administrator's rights: the guardian writes what it may not.
// An administrator's token is given the group as deny-only, as a filtered one has it, so that the
// lock service (and the configuration window in it) works alike for every user.
UniqueKernelHandle WithoutAdministrators(HANDLE token) noexcept
{
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size))
        return UniqueKernelHandle();
    SID_AND_ATTRIBUTES administrators{sid, 0};
    HANDLE restricted = nullptr;
    if (!CreateRestrictedToken(token, 0, 1, &administrators, 0, nullptr, 0, nullptr, &restricted))
        return UniqueKernelHandle();
    return UniqueKernelHandle(restricted);
}

// The lock service runs above the user's programs: the system then keeps their messages, hooks,
// window changes and write access out of it (only what it lets in comes in).
bool RaiseIntegrity(HANDLE token) noexcept
{
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    if (!CreateWellKnownSid(WinHighLabelSid, nullptr, sid, &size))
        return false;
    TOKEN_MANDATORY_LABEL label{};
    label.Label.Sid = sid;
    label.Label.Attributes = SE_GROUP_INTEGRITY;
    return SetTokenInformation(token, TokenIntegrityLevel, &label, sizeof label + GetLengthSid(sid)) != FALSE;
}

// The list of handles a new process inherits: only the one given, where the system can say so
// (elsewhere it inherits whatever of ours is inheritable, and nothing else of ours is).
class InheritedHandles {
public:
    explicit InheritedHandles(HANDLE handle) noexcept : handle_(handle)
    {
        SIZE_T size = 0;
        if (!handle_)
            return;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        buffer_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
        if (size == 0 || !InitializeProcThreadAttributeList(list, 1, 0, &size))
            return;
        initialized_ = true;
        if (UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &handle_, sizeof handle_, nullptr,
                                      nullptr))
            list_ = list;
    }
    InheritedHandles(const InheritedHandles&) = delete;
    InheritedHandles& operator=(const InheritedHandles&) = delete;
    ~InheritedHandles()
    {
        if (initialized_)
            DeleteProcThreadAttributeList(reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data()));
    }
    LPPROC_THREAD_ATTRIBUTE_LIST List() const noexcept { return list_; }

private:
    HANDLE handle_;
    std::vector<BYTE> buffer_;
    bool initialized_ = false;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

std::uint64_t CreationTime(HANDLE process)
{
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

std::wstring ImagePath(HANDLE process)
{
    wchar_t path[MAX_PATH * 2] = L"";
    DWORD size = MAX_PATH * 2;
    return QueryFullProcessImageNameW(process, 0, path, &size) ? std::wstring(path, size) : std::wstring();
}

// The event log speaks the machine's language: the guardian runs as LocalSystem for every user,
// so the system's UI language, unless the administrator forced one.
std::string InEventLanguage(const std::string& english)
{
    static std::mutex guard;
    static std::unique_ptr<const ResourceTexts> texts;
    const Language language = ChooseLanguage(ForcedLanguage(kSettingsKeyPath, SettingNames::Language),
                                             GetSystemDefaultUILanguage());
    const std::lock_guard hold(guard);
    if (!texts || texts->Of() != language)
        texts = std::make_unique<const ResourceTexts>(language);
    return texts->TranslateMessage(english);
}

void WriteEvent(HANDLE source, GuardLogKind kind, const std::string& english)
{
    if (!source)
        return;
    std::string text;
    try {
        text = InEventLanguage(english);
    } catch (...) {
        text = english;  // the entry itself matters more than its language
    }
    const WORD type = kind == GuardLogKind::Error     ? EVENTLOG_ERROR_TYPE
                      : kind == GuardLogKind::Warning ? EVENTLOG_WARNING_TYPE
                                                      : EVENTLOG_INFORMATION_TYPE;
    const std::wstring wide = Widen(text);
    const wchar_t* strings[] = {wide.c_str()};
    ReportEventW(source, type, 0, kGuardianTextMessage, nullptr, 1, 0, strings, nullptr);
}
}  // namespace

std::string TokenUserName(HANDLE token)
{
    std::vector<BYTE> sid = TokenUserSid(token);
    if (sid.empty())
        return {};
    wchar_t name[256] = L"", domain[256] = L"";
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use{};
    if (!LookupAccountSidW(nullptr, sid.data(), name, &nameSize, domain, &domainSize, &use))
        return {};
    return Narrow(name);
}

std::string SidText(const std::vector<BYTE>& sid)
{
    wchar_t* text = nullptr;
    if (sid.empty() || !ConvertSidToStringSidW(const_cast<BYTE*>(sid.data()), &text))
        return {};
    std::string result = Narrow(text);
    LocalFree(text);
    return result;
}

Win32GuardianHost::Win32GuardianHost(std::string programDirectory, HANDLE port, ChannelMaker& channels)
    : programDirectory_(std::move(programDirectory)),
      eventSource_(RegisterEventSourceW(nullptr, kGuardianServiceName)), channels_(channels),
      watched_(port, kLockServiceEndedKey)
{
}

Win32GuardianHost::~Win32GuardianHost()
{
    // The lock services go on running: a guardian that starts after us takes them back.
    if (eventSource_)
        DeregisterEventSource(eventSource_);
}

std::optional<LockServiceProcess> Win32GuardianHost::StartLockService(std::uint32_t sessionId,
                                                                       const std::string& arguments)
{
    const UniqueKernelHandle userToken = SessionUserToken(sessionId);
    if (!userToken)
        return std::nullopt;
    const std::vector<BYTE> user = TokenUserSid(userToken.Get());
    HANDLE rawToken = nullptr;
    if (!DuplicateTokenEx(userToken.Get(), TOKEN_ALL_ACCESS, nullptr, SecurityIdentification, TokenPrimary, &rawToken))
        return std::nullopt;
    UniqueKernelHandle token(rawToken);
    if (UniqueKernelHandle restricted = WithoutAdministrators(token.Get()))
        token = std::move(restricted);
    else if (!std::exchange(restrictFailureLogged_, true))
        Log(GuardLogKind::Warning, EnglishText(TextId::MessageGuardNotWithoutAdministrators));
    if (!RaiseIntegrity(token.Get()) && !std::exchange(raiseFailureLogged_, true))
        Log(GuardLogKind::Warning, EnglishText(TextId::MessageGuardNotAboveIntegrity));
    const UserEnvironment environment(userToken.Get());
    const std::wstring path = Widen(programDirectory_ + kLockServiceFile);
    std::wstring commandLine = L"\"" + path + L"\"" + (arguments.empty() ? L"" : L" " + Widen(arguments));
    const std::wstring directory = Widen(programDirectory_);
    // Its channel, inherited (this one handle alone): the lock service has it from its start.
    // Without one it asks for a channel on the public pipe.
    std::optional<PreparedChannel> channel = channels_.PrepareChannel(sessionId);
    if (channel && !SetHandleInformation(channel->client.Get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
        channels_.DropChannel(channel->id);
        channel.reset();
    }
    if (channel)
        commandLine += L" /channel " + std::to_wstring(reinterpret_cast<ULONG_PTR>(channel->client.Get()));
    InheritedHandles inherited(channel ? channel->client.Get() : nullptr);
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.lpAttributeList = inherited.List();
    // The interactive desktop: a service's own window station has no screen.
    wchar_t desktop[] = L"winsta0\\default";
    startup.StartupInfo.lpDesktop = desktop;
    PROCESS_INFORMATION started{};
    if (!CreateProcessAsUserW(token.Get(), path.c_str(), commandLine.data(), nullptr, nullptr, channel.has_value(),
                              CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT | CREATE_NEW_PROCESS_GROUP |
                                  (inherited.List() ? EXTENDED_STARTUPINFO_PRESENT : 0),
                              environment.Get(), directory.c_str(), &startup.StartupInfo, &started)) {
        if (channel)
            channels_.DropChannel(channel->id);
        return std::nullopt;
    }
    if (channel)
        channels_.BindChannel(channel->id, started.dwProcessId);
    UniqueKernelHandle process(started.hProcess);
    const UniqueKernelHandle thread(started.hThread);
    // Protected before its first instruction: its user cannot end or freeze it even in the
    // moment before it protects itself.
    if (!ProtectProcess(process.Get(), user) || !ProtectThread(thread.Get(), user))
        Log(GuardLogKind::Warning, EnglishText(TextId::MessageGuardNotProtected));
    const LockServiceProcess made{started.dwProcessId, CreationTime(process.Get())};
    ResumeThread(thread.Get());
    if (!watched_.Watch(made.id, sessionId, std::move(process)))
        Log(GuardLogKind::Error, EnglishMessage(TextId::MessageGuardNotWatched, {std::to_string(sessionId)}));
    return made;
}

bool Win32GuardianHost::AdoptLockService(std::uint32_t sessionId, const LockServiceProcess& wanted)
{
    // The rights to end it and to hand it a channel are the system's and the administrators'; a
    // guardian that runs as the user itself (as under Wine) is denied them like the user, and
    // can only watch.
    constexpr DWORD kWatch = SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION;
    UniqueKernelHandle process(OpenProcess(kWatch | PROCESS_TERMINATE | PROCESS_DUP_HANDLE, FALSE, wanted.id));
    if (!process)
        process = UniqueKernelHandle(OpenProcess(kWatch, FALSE, wanted.id));
    DWORD session = 0;
    // The same process (not another one with its number), still running, our program, in that
    // session.
    const std::wstring expected = Widen(programDirectory_ + kLockServiceFile);
    if (!process || CreationTime(process.Get()) != wanted.created ||
        WaitForSingleObject(process.Get(), 0) != WAIT_TIMEOUT || !ProcessIdToSessionId(wanted.id, &session) ||
        session != sessionId ||
        CompareStringOrdinal(ImagePath(process.Get()).c_str(), -1, expected.c_str(), -1, TRUE) != CSTR_EQUAL)
        return false;
    return watched_.Watch(wanted.id, sessionId, std::move(process));
}

std::optional<std::uint32_t> Win32GuardianHost::Ended(std::uint32_t processId)
{
    return watched_.Ended(processId);
}

void Win32GuardianHost::EndLockService(std::uint32_t processId)
{
    HANDLE process = watched_.Process(processId);
    if (!process || !TerminateProcess(process, 1))
        Log(GuardLogKind::Error, EnglishMessage(TextId::MessageGuardNotEnded, {std::to_string(processId)}));
}

std::optional<std::uint64_t> Win32GuardianHost::OpenChannel(std::uint32_t sessionId, std::uint32_t processId)
{
    HANDLE process = watched_.Process(processId);
    if (!process)
        return std::nullopt;
    return channels_.HandOverChannel(sessionId, processId, process);
}

void Win32GuardianHost::EndSession(std::uint32_t sessionId)
{
    if (!WTSLogoffSession(WTS_CURRENT_SERVER_HANDLE, sessionId, FALSE))
        Log(GuardLogKind::Error, EnglishMessage(TextId::MessageGuardNotLoggedOff,
                                                {std::to_string(sessionId), std::to_string(GetLastError())}));
}

void Win32GuardianHost::LockSession(std::uint32_t sessionId)
{
    // A disconnected session shows the system's sign-in screen: the user's password, or an
    // administrator's, brings it back.
    if (!WTSDisconnectSession(WTS_CURRENT_SERVER_HANDLE, sessionId, FALSE))
        Log(GuardLogKind::Error, EnglishMessage(TextId::MessageGuardNotLocked,
                                                {std::to_string(sessionId), std::to_string(GetLastError())}));
}

void Win32GuardianHost::Log(GuardLogKind kind, const std::string& text)
{
    WriteEvent(eventSource_, kind, text);
}

void LogGuardianEvent(GuardLogKind kind, const std::string& text)
{
    if (const HANDLE source = RegisterEventSourceW(nullptr, kGuardianServiceName)) {
        WriteEvent(source, kind, text);
        DeregisterEventSource(source);
    }
}

std::vector<SessionUser> Win32GuardianHost::LoggedOnSessions() const
{
    std::vector<std::uint32_t> ids;
    WTS_SESSION_INFOW* sessions = nullptr;
    DWORD count = 0;
    if (WTSEnumerateSessionsW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &sessions, &count)) {
        for (DWORD i = 0; i < count; ++i)
            if (sessions[i].State == WTSActive || sessions[i].State == WTSDisconnected)
                ids.push_back(sessions[i].SessionId);
        WTSFreeMemory(sessions);
    }
    // The console's session is there even where the list comes back empty.
    if (const DWORD console = WTSGetActiveConsoleSessionId();
        console != 0xFFFFFFFF && std::find(ids.begin(), ids.end(), console) == ids.end())
        ids.push_back(console);
    std::vector<SessionUser> loggedOn;
    for (const std::uint32_t id : ids)
        if (const UniqueKernelHandle token = SessionUserToken(id)) {
            std::string user = TokenUserName(token.Get());
            std::string sid = SidText(TokenUserSid(token.Get()));
            if (!user.empty() && !sid.empty())
                loggedOn.push_back({id, std::move(user), std::move(sid)});
        }
    return loggedOn;
}

}  // namespace vardex
