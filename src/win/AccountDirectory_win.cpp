#include "AccountDirectory_win.h"

#include "TextConvert_win.h"
#include "UniqueHandle_win.h"

#include <lm.h>

namespace vardex {

namespace {

using NetUserEnumFunction = NET_API_STATUS(WINAPI*)(LPCWSTR, DWORD, DWORD, LPBYTE*, DWORD, LPDWORD, LPDWORD, PDWORD);
using NetApiBufferFreeFunction = NET_API_STATUS(WINAPI*)(LPVOID);
using ConvertSidToStringSidFunction = BOOL(WINAPI*)(PSID, LPSTR*);

class NetApiUserEnumeration final : public NetUserEnumeration {
public:
    NetApiUserEnumeration(UniqueModule library, NetUserEnumFunction netUserEnum, NetApiBufferFreeFunction bufferFree)
        : library_(std::move(library)), netUserEnum_(netUserEnum), bufferFree_(bufferFree)
    {
    }

    UserEnumBatch Next(std::uint32_t& resumeHandle) override
    {
        UserEnumBatch batch;
        LPBYTE buffer = nullptr;
        DWORD read = 0, total = 0;
        DWORD resume = resumeHandle;
        // Level 0 gives the name, the only field used, and unlike level 1 is known to Wine too.
        // The system's preferred buffer size brings all names at once: asked for 0 bytes,
        // Wine answers "more data" with the same entry for ever.
        batch.status = netUserEnum_(nullptr, 0, 0, &buffer, MAX_PREFERRED_LENGTH, &read, &total, &resume);
        resumeHandle = resume;
        if ((batch.status == NERR_Success || batch.status == ERROR_MORE_DATA) && buffer) {
            const auto* records = reinterpret_cast<const USER_INFO_0*>(buffer);
            for (DWORD i = 0; i < read; ++i)
                batch.names.push_back(Narrow(records[i].usri0_name ? records[i].usri0_name : L""));
        }
        if (buffer)
            bufferFree_(buffer);
        return batch;
    }

private:
    UniqueModule library_;
    NetUserEnumFunction netUserEnum_;
    NetApiBufferFreeFunction bufferFree_;
};

}  // namespace

std::unique_ptr<NetUserEnumeration> Win32AccountDirectory::OpenNetUserEnumeration()
{
    UniqueModule library(LoadLibraryW(L"NETAPI32.DLL"));
    const auto netUserEnum = GetProcedure<NetUserEnumFunction>(library, "NetUserEnum");
    const auto bufferFree = GetProcedure<NetApiBufferFreeFunction>(library, "NetApiBufferFree");
    if (!netUserEnum || !bufferFree)
        return nullptr;
    return std::make_unique<NetApiUserEnumeration>(std::move(library), netUserEnum, bufferFree);
}

std::optional<std::string> Win32AccountDirectory::AccountNameToSidText(const std::string& name)
{
    const std::wstring wideName = Widen(name);
    DWORD sidSize = 0, domainSize = 0;
    SID_NAME_USE use;
    if (LookupAccountNameW(nullptr, wideName.c_str(), nullptr, &sidSize, nullptr, &domainSize, &use) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return std::nullopt;
    std::vector<BYTE> sid(sidSize);
    std::wstring domain(domainSize + 1, L'\0');
    if (!LookupAccountNameW(nullptr, wideName.c_str(), sid.data(), &sidSize, domain.data(), &domainSize, &use))
        return std::nullopt;
    std::string text;
    if (SidToTextApi(sid.data(), text) || SidToTextManual(sid.data(), text))
        return text;
    return std::nullopt;
}

bool SidToTextApi(PSID sid, std::string& text)
{
    text.clear();
    const UniqueModule library(LoadLibraryW(L"ADVAPI32.DLL"));
    const auto convert = GetProcedure<ConvertSidToStringSidFunction>(library, "ConvertSidToStringSidA");
    LPSTR converted = nullptr;
    if (!convert || !convert(sid, &converted))
        return false;
    const UniqueLocalMemory release(converted);
    text = converted;
    return true;
}

bool SidToTextManual(PSID sid, std::string& text)
{
    text.clear();
    if (!IsValidSid(sid))
        return false;
    SidParts parts;
    const SID_IDENTIFIER_AUTHORITY* authority = GetSidIdentifierAuthority(sid);
    for (size_t i = 0; i < parts.authority.size(); ++i)
        parts.authority[i] = authority->Value[i];
    const UCHAR count = *GetSidSubAuthorityCount(sid);
    for (DWORD i = 0; i < count; ++i)
        parts.subAuthorities.push_back(*GetSidSubAuthority(sid, i));
    text = SidToTextManual(parts);
    return true;
}

}  // namespace vardex
