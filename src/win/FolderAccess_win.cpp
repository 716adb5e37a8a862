#include "FolderAccess_win.h"

#include "AccountDirectory_win.h"
#include "ProcessProtection_win.h"
#include "TextConvert_win.h"
#include "UniqueHandle_win.h"
#include "common/Texts.h"

#include <aclapi.h>

namespace vardex {

namespace {
std::string SidText(PSID sid)
{
    std::string text;
    return sid && SidToTextApi(sid, text) ? text : std::string();
}

// Allowed, conditionally allowed (counted as allowed) and denied entries share one layout:
// header, mask, SID. Object entries name parts of directory objects, which files do not have.
std::vector<AccessEntry> Entries(ACL* list)
{
    std::vector<AccessEntry> entries;
    for (DWORD i = 0; i < list->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(list, i, &entry))
            continue;
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        const bool allowed = header->AceType == ACCESS_ALLOWED_ACE_TYPE ||
                             header->AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE;
        if (!allowed && header->AceType != ACCESS_DENIED_ACE_TYPE)
            continue;
        auto* body = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        entries.push_back({!allowed, body->Mask, header->AceFlags, SidText(&body->SidStart)});
    }
    return entries;
}

// Without the trailing backslash of a folder name ("C:\" keeps its own).
std::wstring FolderPath(const std::string& folder)
{
    std::wstring path = Widen(folder);
    if (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path;
}
}  // namespace

std::optional<FolderSecurity> ReadFolderSecurity(const std::string& folder)
{
    PSID owner = nullptr;
    ACL* list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD result = GetNamedSecurityInfoW(FolderPath(folder).c_str(), SE_FILE_OBJECT,
                                               OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                                               &list, nullptr, &descriptor);
    if (result != ERROR_SUCCESS) {
        SetLastError(result);
        return std::nullopt;
    }
    const UniqueLocalMemory release(descriptor);
    FolderSecurity security{SidText(owner), std::nullopt};
    if (security.owner.empty()) {
        SetLastError(ERROR_INVALID_OWNER);
        return std::nullopt;
    }
    if (list)
        security.entries = Entries(list);
    return security;
}

std::string ProcessAccountSid()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    const UniqueKernelHandle owned(token);
    std::vector<BYTE> sid = TokenUserSid(owned.Get());
    return sid.empty() ? std::string() : SidText(sid.data());
}

std::optional<std::string> RefusalToRunFrom(const std::string& folder)
{
    const std::optional<FolderSecurity> security = ReadFolderSecurity(folder);
    if (!security) {
        const DWORD error = GetLastError();
        return EnglishMessage(TextId::MessageFolderUnreadable, {folder, std::to_string(error)});
    }
    if (const std::optional<std::string> writer = UntrustedWriter(*security, ProcessAccountSid()))
        return EnglishMessage(TextId::MessageFolderWritable, {folder, *writer});
    return std::nullopt;
}

}  // namespace vardex
