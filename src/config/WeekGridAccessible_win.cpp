#include "WeekGridAccessible_win.h"

#include "WeekGridControl_win.h"
#include "win/TextConvert_win.h"
#include "win/Controls_win.h"

#include <new>
#include <string>

namespace vardex {

namespace {

using Place = GridLayout::Place;
constexpr LONG kCellCount = kGridDays * kGridSlots;

// No exception may cross into the client's call.
template <typename Body>
HRESULT Guarded(const Body& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT Text(const std::wstring& text, BSTR* out) noexcept
{
    if (!out)
        return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT Number(LONG value, VARIANT* out) noexcept
{
    if (!out)
        return E_POINTER;
    VariantInit(out);
    out->vt = VT_I4;
    out->lVal = value;
    return S_OK;
}

HRESULT Nothing(VARIANT* out, HRESULT result = S_FALSE) noexcept
{
    if (out)
        VariantInit(out);
    return result;
}

HRESULT NoText(BSTR* out) noexcept
{
    if (out)
        *out = nullptr;
    return S_FALSE;
}

// The neighbour of a cell in a direction, within the grid.
std::optional<Place> Neighbour(Place place, long direction) noexcept
{
    switch (direction) {
    case NAVDIR_LEFT: --place.slot; break;
    case NAVDIR_RIGHT: ++place.slot; break;
    case NAVDIR_UP: --place.row; break;
    case NAVDIR_DOWN: ++place.row; break;
    case NAVDIR_NEXT:
        if (++place.slot == kGridSlots)
            place = {place.row + 1, 0};
        break;
    case NAVDIR_PREVIOUS:
        if (--place.slot < 0)
            place = {place.row - 1, kGridSlots - 1};
        break;
    default: return std::nullopt;
    }
    if (place.row < 0 || place.row >= kGridDays || place.slot < 0 || place.slot >= kGridSlots)
        return std::nullopt;
    return place;
}

}  // namespace

WeekGridAccessible* WeekGridAccessible::Create(WeekGridControl& control)
{
    IAccessible* standard = nullptr;
    if (FAILED(CreateStdAccessibleObject(control.Handle(), OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&standard))))
        return nullptr;
    return new (std::nothrow) WeekGridAccessible(control, standard);
}

WeekGridAccessible::~WeekGridAccessible()
{
    Disconnect();
}

LRESULT WeekGridAccessible::Answer(WPARAM wParam) noexcept
{
    return control_ ? LresultFromObject(__uuidof(IAccessible), wParam, this) : 0;
}

void WeekGridAccessible::Disconnect() noexcept
{
    control_ = nullptr;
    if (standard_) {
        standard_->Release();
        standard_ = nullptr;
    }
}

HRESULT WeekGridAccessible::Resolve(const VARIANT& child, Place& place) const noexcept
{
    if (!control_)
        return CO_E_OBJNOTCONNECTED;
    if (child.vt != VT_I4)
        return E_INVALIDARG;
    if (child.lVal == CHILDID_SELF)
        return S_FALSE;
    if (child.lVal < 1 || child.lVal > kCellCount)
        return E_INVALIDARG;
    place = {(child.lVal - 1) / kGridSlots, (child.lVal - 1) % kGridSlots};
    return S_OK;
}

template <typename Standard>
HRESULT WeekGridAccessible::OwnTextOrNone(const VARIANT& child, BSTR* out, Standard standard) const noexcept
{
    // The control's own texts are the standard object's; a cell has none.
    Place place;
    const HRESULT found = Resolve(child, place);
    if (found == S_FALSE)
        return standard(standard_);
    return FAILED(found) ? found : NoText(out);
}

// IUnknown and IDispatch ----------------------------------------------------------------------

HRESULT WeekGridAccessible::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IAccessible)) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG WeekGridAccessible::AddRef()
{
    return ++references_;
}

ULONG WeekGridAccessible::Release()
{
    const ULONG left = --references_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT WeekGridAccessible::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT WeekGridAccessible::GetTypeInfo(UINT, LCID, ITypeInfo**)
{
    return E_NOTIMPL;
}

HRESULT WeekGridAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

HRESULT WeekGridAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return E_NOTIMPL;
}

// IAccessible: the control itself goes to the standard object, a cell is answered here ---------

HRESULT WeekGridAccessible::get_accParent(IDispatch** parent)
{
    if (!control_)
        return CO_E_OBJNOTCONNECTED;
    return standard_->get_accParent(parent);
}

HRESULT WeekGridAccessible::get_accChildCount(long* count)
{
    if (!control_)
        return CO_E_OBJNOTCONNECTED;
    if (!count)
        return E_POINTER;
    *count = kCellCount;
    return S_OK;
}

HRESULT WeekGridAccessible::get_accChild(VARIANT child, IDispatch** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    Place place;
    const HRESULT found = Resolve(child, place);
    return found == S_OK ? S_FALSE : found == S_FALSE ? E_INVALIDARG : found;  // the cells are simple elements
}

HRESULT WeekGridAccessible::get_accName(VARIANT child, BSTR* name)
{
    return Guarded([&] {
        Place place;
        const HRESULT found = Resolve(child, place);
        if (found == S_FALSE)
            return Text(WindowText(control_->Handle()), name);
        return FAILED(found) ? found : Text(control_->CellAccessibleName(place.row, place.slot), name);
    });
}

HRESULT WeekGridAccessible::get_accValue(VARIANT child, BSTR* value)
{
    return OwnTextOrNone(child, value, [&](IAccessible* standard) { return standard->get_accValue(child, value); });
}

HRESULT WeekGridAccessible::get_accDescription(VARIANT child, BSTR* description)
{
    return OwnTextOrNone(child, description, [&](IAccessible* standard) { return standard->get_accDescription(child, description); });
}

HRESULT WeekGridAccessible::get_accRole(VARIANT child, VARIANT* role)
{
    Place place;
    const HRESULT found = Resolve(child, place);
    return FAILED(found) ? found : Number(found == S_FALSE ? ROLE_SYSTEM_TABLE : ROLE_SYSTEM_CELL, role);
}

HRESULT WeekGridAccessible::get_accState(VARIANT child, VARIANT* state)
{
    Place place;
    const HRESULT found = Resolve(child, place);
    if (found == S_FALSE)
        return standard_->get_accState(child, state);
    if (FAILED(found))
        return found;
    const HWND window = control_->Handle();
    LONG flags = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
    if (!IsWindowEnabled(window))
        flags |= STATE_SYSTEM_UNAVAILABLE;
    if (control_->Focused() == place && GetFocus() == window)
        flags |= STATE_SYSTEM_FOCUSED;
    if (control_->InSelection(place.row, place.slot))
        flags |= STATE_SYSTEM_SELECTED;
    if (control_->Grid().Cell(control_->DayOfRowShown(place.row), place.slot) == CellState::Allowed)
        flags |= STATE_SYSTEM_CHECKED;
    return Number(flags, state);
}

HRESULT WeekGridAccessible::get_accHelp(VARIANT child, BSTR* help)
{
    return OwnTextOrNone(child, help, [&](IAccessible* standard) { return standard->get_accHelp(child, help); });
}

HRESULT WeekGridAccessible::get_accHelpTopic(BSTR* file, VARIANT child, long* topic)
{
    Place place;
    const HRESULT found = Resolve(child, place);
    if (found == S_FALSE)
        return standard_->get_accHelpTopic(file, child, topic);
    if (topic)
        *topic = -1;
    return FAILED(found) ? found : NoText(file);
}

HRESULT WeekGridAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut)
{
    return OwnTextOrNone(child, shortcut, [&](IAccessible* standard) { return standard->get_accKeyboardShortcut(child, shortcut); });
}

HRESULT WeekGridAccessible::get_accFocus(VARIANT* child)
{
    if (!control_)
        return CO_E_OBJNOTCONNECTED;
    if (GetFocus() != control_->Handle())
        return Nothing(child);
    return Number(ChildId(control_->Focused()), child);
}

HRESULT WeekGridAccessible::get_accSelection(VARIANT* children)
{
    if (!control_)
        return CO_E_OBJNOTCONNECTED;
    return Number(ChildId(control_->Focused()), children);
}

HRESULT WeekGridAccessible::get_accDefaultAction(VARIANT child, BSTR* action)
{
    Place place;
    const HRESULT found = Resolve(child, place);
    if (found == S_FALSE)
        return standard_->get_accDefaultAction(child, action);
    return FAILED(found) ? found : Text(Widen(control_->Words().Get(TextId::GridToggle)), action);
}

HRESULT WeekGridAccessible::accSelect(long flags, VARIANT child)
{
    Place place;
    const HRESULT found = Resolve(child, place);
    if (found == S_FALSE)
        return standard_->accSelect(flags, child);
    if (FAILED(found))
        return found;
    return Guarded([&] {
        if (flags & SELFLAG_TAKEFOCUS)
            SetFocus(control_->Handle());
        control_->FocusCell(place);
        return S_OK;
    });
}

HRESULT WeekGridAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child)
{
    Place place;
    const HRESULT found = Resolve(child, place);
    if (found == S_FALSE)
        return standard_->accLocation(left, top, width, height, child);
    if (FAILED(found))
        return found;
    if (!left || !top || !width || !height)
        return E_POINTER;
    RECT cell = control_->CellRect(place.row, place.slot);
    MapWindowPoints(control_->Handle(), nullptr, reinterpret_cast<POINT*>(&cell), 2);
    *left = cell.left;
    *top = cell.top;
    *width = cell.right - cell.left;
    *height = cell.bottom - cell.top;
    return S_OK;
}

HRESULT WeekGridAccessible::accNavigate(long direction, VARIANT start, VARIANT* end)
{
    Place place;
    const HRESULT found = Resolve(start, place);
    if (FAILED(found))
        return Nothing(end, found);
    if (found == S_FALSE) {
        if (direction == NAVDIR_FIRSTCHILD)
            return Number(1, end);
        if (direction == NAVDIR_LASTCHILD)
            return Number(kCellCount, end);
        return standard_->accNavigate(direction, start, end);
    }
    const std::optional<Place> next = Neighbour(place, direction);
    return next ? Number(ChildId(*next), end) : Nothing(end);
}

HRESULT WeekGridAccessible::accHitTest(long left, long top, VARIANT* child)
{
    if (!control_)
        return CO_E_OBJNOTCONNECTED;
    POINT point{left, top};
    ScreenToClient(control_->Handle(), &point);
    if (const std::optional<Place> cell = control_->CellAt(point))
        return Number(ChildId(*cell), child);
    RECT client{};
    GetClientRect(control_->Handle(), &client);
    if (PtInRect(&client, point))
        return Number(CHILDID_SELF, child);
    return Nothing(child);
}

HRESULT WeekGridAccessible::accDoDefaultAction(VARIANT child)
{
    Place place;
    const HRESULT found = Resolve(child, place);
    if (found == S_FALSE)
        return standard_->accDoDefaultAction(child);
    if (FAILED(found))
        return found;
    if (!IsWindowEnabled(control_->Handle()))
        return E_FAIL;
    return Guarded([&] {
        control_->ToggleCell(place);
        return S_OK;
    });
}

HRESULT WeekGridAccessible::put_accName(VARIANT, BSTR)
{
    return control_ ? E_NOTIMPL : CO_E_OBJNOTCONNECTED;
}

HRESULT WeekGridAccessible::put_accValue(VARIANT, BSTR)
{
    return control_ ? E_NOTIMPL : CO_E_OBJNOTCONNECTED;
}

}  // namespace vardex
