#include "OwnDesktop_win.h"

#include "OffThread_win.h"
#include "PasswordCrypto_win.h"
#include "ProcessProtection_win.h"
#include "common/ScopeGuard.h"
#include "UniqueHandle_win.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vardex {

namespace {
using UniqueDesktop = UniqueHandle<SimpleHandleTraits<HDESK, CloseDesktop>>;

// What the work's thread does on its desktop: windows, menus, and the switch. No hooks.
constexpr ACCESS_MASK kDesktopAccess = DESKTOP_READOBJECTS | DESKTOP_CREATEWINDOW | DESKTOP_CREATEMENU |
                                       DESKTOP_ENUMERATE | DESKTOP_WRITEOBJECTS | DESKTOP_SWITCHDESKTOP;

std::vector<BYTE> WellKnownSid(WELL_KNOWN_SID_TYPE type)
{
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(sid.size());
    if (!CreateWellKnownSid(type, nullptr, sid.data(), &size))
        return {};
    sid.resize(size);
    return sid;
}

// The system and the program's own user may open the desktop. With the label, only at the high
// level: the user's programs, a level below, can neither read, nor write, nor switch to it.
class DesktopSecurity {
public:
    explicit DesktopSecurity(bool labelled)
    {
        const std::vector<BYTE> user = ThisProcessUser();
        const std::vector<BYTE> system = WellKnownSid(WinLocalSystemSid);
        const std::vector<BYTE> high = WellKnownSid(WinHighLabelSid);
        if (user.empty() || system.empty() || high.empty())
            return;
        dacl_.resize(sizeof(ACL) + 2 * sizeof(ACCESS_ALLOWED_ACE) + user.size() + system.size());
        sacl_.resize(sizeof(ACL) + sizeof(SYSTEM_MANDATORY_LABEL_ACE) + high.size());
        auto* dacl = reinterpret_cast<ACL*>(dacl_.data());
        auto* sacl = reinterpret_cast<ACL*>(sacl_.data());
        valid_ = InitializeAcl(dacl, static_cast<DWORD>(dacl_.size()), ACL_REVISION) &&
                 AddAccessAllowedAce(dacl, ACL_REVISION, GENERIC_ALL, const_cast<BYTE*>(system.data())) &&
                 AddAccessAllowedAce(dacl, ACL_REVISION, GENERIC_ALL, const_cast<BYTE*>(user.data())) &&
                 InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
                 SetSecurityDescriptorDacl(&descriptor_, TRUE, dacl, FALSE);
        if (valid_ && labelled)
            valid_ = InitializeAcl(sacl, static_cast<DWORD>(sacl_.size()), ACL_REVISION) &&
                     AddMandatoryAce(sacl, ACL_REVISION, 0,
                                     SYSTEM_MANDATORY_LABEL_NO_WRITE_UP | SYSTEM_MANDATORY_LABEL_NO_READ_UP |
                                         SYSTEM_MANDATORY_LABEL_NO_EXECUTE_UP,
                                     const_cast<BYTE*>(high.data())) &&
                     SetSecurityDescriptorSacl(&descriptor_, TRUE, sacl, FALSE);
        attributes_ = {sizeof attributes_, &descriptor_, FALSE};
    }
    DesktopSecurity(const DesktopSecurity&) = delete;
    DesktopSecurity& operator=(const DesktopSecurity&) = delete;

    SECURITY_ATTRIBUTES* Attributes() noexcept { return valid_ ? &attributes_ : nullptr; }

private:
    std::vector<BYTE> dacl_, sacl_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    bool valid_ = false;
};

// A name nobody can have taken first: CreateDesktop opens a desktop of that name when one exists,
// with whatever access list and hooks its maker gave it.
std::wstring RandomDesktopName()
{
    std::array<std::uint8_t, 16> random{};
    if (!Win32PasswordCrypto().FillRandom(random))
        return {};
    std::wstring name = L"vardex-";
    for (const std::uint8_t byte : random)
        for (const int shift : {4, 0})
            name += L"0123456789abcdef"[(byte >> shift) & 0xF];
    return name;
}

// Labelled where the program runs above the user's programs; where it runs at their level (no
// guardian started it) the label cannot be set, and the desktop is still apart from the user's
// desktop and its hooks.
UniqueDesktop CreateOwnDesktop()
{
    const std::wstring name = RandomDesktopName();
    if (name.empty())
        return {};
    for (const bool labelled : {true, false}) {
        DesktopSecurity security(labelled);
        if (!security.Attributes())
            continue;
        if (HDESK desktop = CreateDesktopW(name.c_str(), nullptr, nullptr, 0, kDesktopAccess, security.Attributes()))
            return UniqueDesktop(desktop);
    }
    return {};
}

std::wstring ObjectName(HANDLE object)
{
    wchar_t name[256] = L"";
    DWORD needed = 0;
    if (!GetUserObjectInformationW(object, UOI_NAME, name, sizeof name, &needed))
        return {};
    return name;
}

// Empty when it cannot be opened: the system's secure desktop, for one.
std::wstring InputDesktopName()
{
    const UniqueDesktop input(OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS));
    return input ? ObjectName(input.Get()) : std::wstring();
}

void Diagnose(const wchar_t* problem) noexcept
{
    const std::wstring text = std::wstring(L"vardex: no desktop of its own (") + problem + L", error " +
                              std::to_wstring(GetLastError()) + L"); the prompt shows on the user's desktop\n";
    OutputDebugStringW(text.c_str());
}
}  // namespace

bool RunOnOwnDesktop(MessagePump& pump, const std::function<void(MessagePump&)>& work)
{
    const DWORD caller = GetCurrentThreadId();
    HDESK shown = GetThreadDesktop(caller);
    const UniqueDesktop desktop = CreateOwnDesktop();
    if (!desktop) {
        Diagnose(L"created");
        return false;
    }
    const wchar_t* problem = nullptr;
    bool entered = false;
    // Closed only after the thread has ended: a desktop in use by a thread cannot be closed.
    RunOffThread(pump, [&] {
        // Where no protected thread could be had, RunOffThread runs this on the caller's thread,
        // whose windows keep it on its desktop.
        if (GetCurrentThreadId() == caller) {
            problem = L"no thread of its own";
            return;
        }
        if (!SetThreadDesktop(desktop.Get())) {
            problem = L"entered";
            return;
        }
        if (!SwitchDesktop(desktop.Get())) {
            problem = L"shown";
            return;
        }
        const ScopeGuard back([shown] { SwitchDesktop(shown); });
        entered = true;
        // Read after the switch, not assumed to be ours: a system that keeps one input desktop
        // whatever the switch says (Wine) shows every desktop's windows at once.
        const std::wstring seen = InputDesktopName();
        MessagePump own;
        own.SetGuard([&] {
            if (pump.Terminated() || InputDesktopName() != seen)
                own.Terminate();
        });
        work(own);
    });
    if (!entered)
        Diagnose(problem);
    return entered;
}

}  // namespace vardex
