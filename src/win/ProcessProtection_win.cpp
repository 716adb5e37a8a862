#include "ProcessProtection_win.h"

#include "UniqueHandle_win.h"

#include <aclapi.h>
#include <tlhelp32.h>

namespace vardex {

namespace {
constexpr DWORD kProcessDeniedToUser = PROCESS_TERMINATE | PROCESS_SUSPEND_RESUME | PROCESS_CREATE_THREAD |
                                       PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_DUP_HANDLE |
                                       PROCESS_SET_INFORMATION | PROCESS_SET_QUOTA | WRITE_DAC | WRITE_OWNER;
constexpr DWORD kProcessAllowedToUser = SYNCHRONIZE | READ_CONTROL | PROCESS_QUERY_INFORMATION |
                                        PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ;
constexpr DWORD kThreadAllowedToUser =
    SYNCHRONIZE | READ_CONTROL | THREAD_QUERY_INFORMATION | THREAD_QUERY_LIMITED_INFORMATION;

std::vector<BYTE> WellKnownSid(WELL_KNOWN_SID_TYPE type)
{
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD size = SECURITY_MAX_SID_SIZE;
    if (!CreateWellKnownSid(type, nullptr, sid.data(), &size))
        return {};
    sid.resize(size);
    return sid;
}

// What one kind of object grants: to its user (after the denials), and in full to the system
// and administrators.
struct ObjectRights {
    DWORD deniedToUser;
    DWORD allowedToUser;
    DWORD allowedToOwnerRights;
    DWORD full;
};
constexpr ObjectRights kProcessRights{kProcessDeniedToUser, kProcessAllowedToUser,
                                      READ_CONTROL | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION,
                                      PROCESS_ALL_ACCESS};
constexpr ObjectRights kThreadRights{kThreadDeniedToUser, kThreadAllowedToUser,
                                     READ_CONTROL | SYNCHRONIZE | THREAD_QUERY_LIMITED_INFORMATION,
                                     THREAD_ALL_ACCESS};

// The DACL in buffer; false when it cannot be built.
bool BuildDacl(const std::vector<BYTE>& user, const ObjectRights& rights, std::vector<BYTE>& buffer)
{
    const std::vector<BYTE> ownerRights = WellKnownSid(WinCreatorOwnerRightsSid);
    const std::vector<BYTE> system = WellKnownSid(WinLocalSystemSid);
    const std::vector<BYTE> administrators = WellKnownSid(WinBuiltinAdministratorsSid);
    if (user.empty() || ownerRights.empty() || system.empty() || administrators.empty())
        return false;
    // Denials first: an access check stops at the first entry that denies a right asked for.
    const size_t aceHeader = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);
    const auto size = static_cast<DWORD>(sizeof(ACL) + 5 * aceHeader + 2 * user.size() + ownerRights.size() +
                                         system.size() + administrators.size());
    buffer.assign(size, 0);
    auto* acl = reinterpret_cast<ACL*>(buffer.data());
    const auto sid = [](const std::vector<BYTE>& bytes) { return const_cast<BYTE*>(bytes.data()); };
    return InitializeAcl(acl, size, ACL_REVISION) &&
           AddAccessDeniedAce(acl, ACL_REVISION, rights.deniedToUser, sid(user)) &&
           AddAccessAllowedAce(acl, ACL_REVISION, rights.allowedToOwnerRights, sid(ownerRights)) &&
           AddAccessAllowedAce(acl, ACL_REVISION, rights.allowedToUser, sid(user)) &&
           AddAccessAllowedAce(acl, ACL_REVISION, rights.full, sid(system)) &&
           AddAccessAllowedAce(acl, ACL_REVISION, rights.full, sid(administrators));
}

bool Protect(HANDLE object, const std::vector<BYTE>& user, const ObjectRights& rights) noexcept
{
    try {
        std::vector<BYTE> buffer;
        if (!BuildDacl(user, rights, buffer))
            return false;
        return SetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                               nullptr, nullptr, reinterpret_cast<ACL*>(buffer.data()), nullptr) == ERROR_SUCCESS;
    } catch (...) {
        return false;
    }
}

// Every thread the process has now.
bool ProtectThreadsOf(DWORD processId, const std::vector<BYTE>& user) noexcept
{
    const UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot)
        return false;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool all = true;
    for (BOOL more = Thread32First(snapshot.Get(), &entry); more; more = Thread32Next(snapshot.Get(), &entry)) {
        if (entry.th32OwnerProcessID != processId)
            continue;
        // One that denies us its access list is protected already (by us, or by the guardian).
        const UniqueKernelHandle thread(OpenThread(WRITE_DAC, FALSE, entry.th32ThreadID));
        if (!thread) {
            all = all && GetLastError() == ERROR_ACCESS_DENIED;
            continue;
        }
        all = Protect(thread.Get(), user, kThreadRights) && all;
    }
    return all;
}
}  // namespace

std::vector<BYTE> ThisProcessUser()
{
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &rawToken))
        return {};
    const UniqueKernelHandle token(rawToken);
    return TokenUserSid(token.Get());
}

bool CarriesProcessProtection(HANDLE process, const std::vector<BYTE>& user) noexcept
{
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (user.empty() || GetSecurityInfo(process, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                        nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    const UniqueLocalMemory freed(descriptor);
    void* first = nullptr;
    if (!dacl || !GetAce(dacl, 0, &first))
        return false;
    const auto* ace = static_cast<const ACCESS_DENIED_ACE*>(first);
    return ace->Header.AceType == ACCESS_DENIED_ACE_TYPE && (ace->Mask & kProcessDeniedToUser) == kProcessDeniedToUser &&
           EqualSid(const_cast<DWORD*>(&ace->SidStart), const_cast<BYTE*>(user.data()));
}

std::vector<BYTE> TokenUserSid(HANDLE token)
{
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
        return {};
    const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    return std::vector<BYTE>(static_cast<BYTE*>(sid), static_cast<BYTE*>(sid) + GetLengthSid(sid));
}

bool ProtectProcess(HANDLE process, const std::vector<BYTE>& user) noexcept
{
    return Protect(process, user, kProcessRights);
}

bool ProtectThread(HANDLE thread, const std::vector<BYTE>& user) noexcept
{
    return Protect(thread, user, kThreadRights);
}

bool ProtectThisProcess() noexcept
{
    try {
        const std::vector<BYTE> user = ThisProcessUser();
        // Both, whatever fails on the way.
        const bool process = ProtectProcess(GetCurrentProcess(), user);
        const bool threads = ProtectThreadsOf(GetCurrentProcessId(), user);
        return process && threads;
    } catch (...) {
        return false;
    }
}

bool ProtectNewThread(HANDLE thread) noexcept
{
    try {
        return ProtectThread(thread, ThisProcessUser());
    } catch (...) {
        return false;
    }
}

UniqueKernelHandle StartProtectedThread(LPTHREAD_START_ROUTINE routine, void* data) noexcept
{
    UniqueKernelHandle thread(CreateThread(nullptr, 0, routine, data, CREATE_SUSPENDED, nullptr));
    if (!thread)
        return {};
    if (!ProtectNewThread(thread.Get())) {
        // It never ran. Waited for only once it is ended: a suspended thread would never end.
        if (TerminateThread(thread.Get(), 0))
            WaitForSingleObject(thread.Get(), INFINITE);
        return {};
    }
    ResumeThread(thread.Get());
    return thread;
}

}  // namespace vardex
