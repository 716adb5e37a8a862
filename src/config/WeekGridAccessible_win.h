#pragma once
// What screen readers see of the week grid (MSAA): the control, named by its window text, with
// the 336 cells as its children in the order shown (child id = row * 48 + half-hour + 1), each a
// cell named as the model names it. What a cell does not answer itself the system's standard
// object of the window answers. Clients may hold the object after the window has gone: it is
// then disconnected and answers CO_E_OBJNOTCONNECTED.
#include "WeekGrid.h"

#include <windows.h>

#include <ole2.h>
#include <oleacc.h>

#include <atomic>

namespace vardex {

class WeekGridControl;

// A COM object is deleted by its own Release, never through an interface pointer: the
// interfaces' destructors need not be virtual.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class WeekGridAccessible final : public IAccessible {
public:
    // With one reference, the control's; nullptr when the system's object cannot be made.
    static WeekGridAccessible* Create(WeekGridControl& control);
    static LONG ChildId(GridLayout::Place place) noexcept { return place.row * kGridSlots + place.slot + 1; }
    // The answer to WM_GETOBJECT.
    LRESULT Answer(WPARAM wParam) noexcept;
    // The window goes: nothing touches it from now on.
    void Disconnect() noexcept;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch: not offered (clients of MSAA call IAccessible directly).
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long left, long top, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

private:
    WeekGridAccessible(WeekGridControl& control, IAccessible* standard) : control_(&control), standard_(standard) {}
    ~WeekGridAccessible();

    // What a child id names: the control itself (S_FALSE), a cell (S_OK, its place) or nothing
    // known (an error); CO_E_OBJNOTCONNECTED once disconnected.
    HRESULT Resolve(const VARIANT& child, GridLayout::Place& place) const noexcept;
    // A text that the control has (from the standard object) and its cells do not.
    template <typename Standard>
    HRESULT OwnTextOrNone(const VARIANT& child, BSTR* out, Standard standard) const noexcept;

    std::atomic<ULONG> references_{1};
    WeekGridControl* control_;
    IAccessible* standard_;
};
#pragma GCC diagnostic pop

}  // namespace vardex
