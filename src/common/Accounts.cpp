#include "Accounts.h"

#include "RegValues.h"
#include "Text.h"

namespace vardex {

namespace {
constexpr const char* kNtProfileList = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
constexpr const char* k9xProfileList = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileList";
}  // namespace

Accounts::Accounts(SystemFacts& system, AccountDirectory& directory, Registry& registry)
    : system_(system), directory_(directory), registry_(registry)
{
}

std::string Accounts::GetCurrentUserName()
{
    std::optional<std::string> name = system_.LogonUserName();
    if (!name || name->empty())
        return kDefaultUserKey;
    return std::move(*name);
}

std::string Accounts::GetUserKey(const std::string& name, bool longForm)
{
    for (const std::string& entry : EnumerateUsers(true)) {
        const std::string_view entryName = TextBefore(entry, '=');
        if (system_.SameNameIgnoringCase(entryName, name))
            return longForm ? entry : std::string(entryName);
    }
    return longForm ? kDefaultUserEntry : kDefaultUserKey;
}

std::vector<std::string> Accounts::EnumerateUsers(bool longForm)
{
    std::vector<std::string> list;
    if (IsNtFamily(system_))
        EnumerateNtUsers(list, longForm);
    else
        Enumerate9xUsers(list, longForm);
    list.push_back(longForm ? kDefaultUserEntry : kDefaultUserKey);
    return list;
}

void Accounts::EnumerateNtUsers(std::vector<std::string>& list, bool longForm)
{
    const std::unique_ptr<NetUserEnumeration> enumeration = directory_.OpenNetUserEnumeration();
    if (!enumeration)
        return;
    std::uint32_t resumeHandle = 0;
    for (;;) {
        const std::uint32_t before = resumeHandle;
        const UserEnumBatch batch = enumeration->Next(resumeHandle);
        if (batch.status != 0 && batch.status != kErrorMoreData)
            break;
        for (const std::string& name : batch.names)
            if (HasLocalProfile(name))
                list.push_back(longForm ? name + "=#" : name);
        // "More data" that brings no entry or does not move the resume handle would repeat
        // for ever (Wine answers so to small buffers): stop there.
        if (batch.status != kErrorMoreData || batch.names.empty() || resumeHandle == before)
            break;
    }
}

void Accounts::Enumerate9xUsers(std::vector<std::string>& list, bool longForm)
{
    std::vector<std::string> subKeys;
    if (const auto key = registry_.Open(RootKey::LocalMachine, k9xProfileList, KeyAccess::Read, false))
        subKeys = key->SubKeyNames();
    for (const std::string& subKey : subKeys) {
        const std::string path = std::string(k9xProfileList) + "\\" + subKey;
        const std::string folder = ReadRegValueText(registry_, RootKey::LocalMachine, path, "ProfileImagePath");
        if (!folder.empty())
            list.push_back(longForm ? subKey + "=" + folder : subKey);
    }
}

bool Accounts::HasLocalProfile(const std::string& name)
{
    const std::optional<std::string> sid = directory_.AccountNameToSidText(name);
    if (!sid)
        return false;
    return registry_.Open(RootKey::LocalMachine, kNtProfileList + *sid, KeyAccess::Read, false) != nullptr;
}

}  // namespace vardex
