#include "AccessibleNames_win.h"

#include <algorithm>

namespace vardex {

namespace {
// Spelled out here rather than taken from the system's import library, which holds no data for
// the delay-loaded one: the service is reached through COM, and oleacc is loaded by it.
constexpr CLSID kAccPropServices{0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kIAccPropServices{0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kNameProperty{0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
}  // namespace

AccessibleNames::~AccessibleNames()
{
    if (service_) {
        for (HWND window : named_) {
            MSAAPROPID property = kNameProperty;
            service_->ClearHwndProps(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &property, 1);
        }
        service_->Release();
    }
    if (comStarted_)
        CoUninitialize();
}

bool AccessibleNames::Name(HWND window, const std::wstring& name) noexcept
{
    if (!started_) {
        started_ = true;
        // S_FALSE too when COM was started already, which the matching end undoes; a thread in
        // the other model keeps it and can still use the service.
        const HRESULT start = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        comStarted_ = SUCCEEDED(start);
        void* service = nullptr;
        if (SUCCEEDED(CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIAccPropServices, &service)))
            service_ = static_cast<IAccPropServices*>(service);
    }
    if (!service_ || !window)
        return false;
    if (FAILED(service_->SetHwndPropStr(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kNameProperty,
                                        name.c_str())))
        return false;
    if (std::find(named_.begin(), named_.end(), window) == named_.end())
        named_.push_back(window);
    return true;
}

}  // namespace vardex
