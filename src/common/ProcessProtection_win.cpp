#include "ProcessProtection_win.h"

#include <aclapi.h>

namespace vardex {

namespace {
constexpr DWORD kDeniedToUser = PROCESS_TERMINATE | PROCESS_SUSPEND_RESUME | PROCESS_CREATE_THREAD |
                                PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_DUP_HANDLE |
                                PROCESS_SET_INFORMATION | PROCESS_SET_QUOTA | WRITE_DAC | WRITE_OWNER;
constexpr DWORD kAllowedToUser = SYNCHRONIZE | READ_CONTROL | PROCESS_QUERY_INFORMATION |
                                 PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ;

std::vector<BYTE> WellKnownSid(WELL_KNOWN_SID_TYPE type)
{
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD size = SECURITY_MAX_SID_SIZE;
    if (!CreateWellKnownSid(type, nullptr, sid.data(), &size))
        return {};
    sid.resize(size);
    return sid;
}
}  // namespace

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
    try {
        const std::vector<BYTE> ownerRights = WellKnownSid(WinCreatorOwnerRightsSid);
        const std::vector<BYTE> system = WellKnownSid(WinLocalSystemSid);
        const std::vector<BYTE> administrators = WellKnownSid(WinBuiltinAdministratorsSid);
        if (user.empty() || ownerRights.empty() || system.empty() || administrators.empty())
            return false;
        // Denials first: an access-check stops at the first entry that denies a right asked for.
        const size_t aceHeader = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);
        const auto size = static_cast<DWORD>(sizeof(ACL) + 5 * aceHeader + 2 * user.size() + ownerRights.size() +
                                             system.size() + administrators.size());
        std::vector<BYTE> buffer(size);
        auto* acl = reinterpret_cast<ACL*>(buffer.data());
        const auto sid = [](const std::vector<BYTE>& bytes) { return const_cast<BYTE*>(bytes.data()); };
        if (!InitializeAcl(acl, size, ACL_REVISION) ||
            !AddAccessDeniedAce(acl, ACL_REVISION, kDeniedToUser, sid(user)) ||
            !AddAccessAllowedAce(acl, ACL_REVISION, READ_CONTROL | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION,
                                 sid(ownerRights)) ||
            !AddAccessAllowedAce(acl, ACL_REVISION, kAllowedToUser, sid(user)) ||
            !AddAccessAllowedAce(acl, ACL_REVISION, PROCESS_ALL_ACCESS, sid(system)) ||
            !AddAccessAllowedAce(acl, ACL_REVISION, PROCESS_ALL_ACCESS, sid(administrators)))
            return false;
        return SetSecurityInfo(process, SE_KERNEL_OBJECT,
                               DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr, acl,
                               nullptr) == ERROR_SUCCESS;
    } catch (...) {
        return false;
    }
}

}  // namespace vardex
