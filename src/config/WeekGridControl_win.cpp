#include "WeekGridControl_win.h"

#include "WeekGridAccessible_win.h"
#include "win/Controls_win.h"
#include "win/TextConvert_win.h"

#include <windowsx.h>

#include <algorithm>
#include <array>

namespace vardex {

namespace {

constexpr const wchar_t* kClassName = L"VardexWeekGrid";

// WM_DPICHANGED_AFTERPARENT, from Windows 10 on.
constexpr UINT kDpiChangedAfterParent = 0x02E3;

enum MenuCommand : int { kCopyToEveryDay = 1, kCopyToWorkDays, kCopyToWeekend, kClearDay };

bool Held(int key) noexcept
{
    return (GetKeyState(key) & 0x8000) != 0;
}

RECT ToRect(const GridBox& box) noexcept
{
    return {box.left, box.top, box.right, box.bottom};
}

COLORREF Colour(int index) noexcept
{
    return GetSysColor(index);
}

void Fill(HDC dc, const RECT& rect, COLORREF colour) noexcept
{
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void Line(HDC dc, int x1, int y1, int x2, int y2) noexcept
{
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

}  // namespace

WeekGridControl::~WeekGridControl()
{
    // The base destroys the window without letting its messages through: the object that screen
    // readers hold must stop touching it first.
    LetGoOfAccessible();
}

void WeekGridControl::LetGoOfAccessible() noexcept
{
    if (accessible_) {
        accessible_->Disconnect();
        accessible_->Release();
        accessible_ = nullptr;
    }
}

void WeekGridControl::Create(HWND parent, const RECT& area, int id)
{
    ReadDayNames();
    Window::Create(ChildParams(kClassName, WS_CHILD | WS_VISIBLE | WS_TABSTOP, parent, area, id));
    font_ = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0));
    Relayout();
}

void WeekGridControl::CreateInPlaceOf(HWND placeholder)
{
    HWND parent = GetParent(placeholder);
    Create(parent, ItemRect(parent, placeholder), GetDlgCtrlID(placeholder));
    SetWindowPos(Handle(), placeholder, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    DestroyWindow(placeholder);
}

void WeekGridControl::ReadDayNames()
{
    for (int day = 0; day < kGridDays; ++day) {
        shortNames_[day] = Widen(texts_->Get(NthText(TextId::WeekdayShort1, day)));
        longNames_[day] = Widen(texts_->Get(NthText(TextId::Weekday1, day)));
    }
}

void WeekGridControl::SetFirstWeekday(int firstWeekday)
{
    firstWeekday_ = std::clamp(firstWeekday, 0, kGridDays - 1);
    InvalidateRect(Handle(), nullptr, FALSE);
}

void WeekGridControl::Load(const WeekPeriods& week)
{
    CancelDrag();
    grid_.Load(week);
    loaded_ = grid_;
    InvalidateRect(Handle(), nullptr, FALSE);
}

void WeekGridControl::Relayout()
{
    RECT client{};
    GetClientRect(Handle(), &client);
    GridMeasures measures;
    measures.width = client.right;
    measures.height = client.bottom;
    const WindowDC dc(Handle());
    const SelectedObject font(dc.Get(), font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.Get(), &metrics);
    measures.textHeight = metrics.tmHeight;
    SIZE size{};
    for (const std::wstring& name : shortNames_)
        if (GetTextExtentPoint32W(dc.Get(), name.c_str(), static_cast<int>(name.size()), &size))
            measures.dayLabelWidth = std::max(measures.dayLabelWidth, static_cast<int>(size.cx));
    GetTextExtentPoint32W(dc.Get(), L"24", 2, &size);
    measures.hourLabelWidth = size.cx;
    layout_ = GridLayout(measures);
    InvalidateRect(Handle(), nullptr, FALSE);
}

RECT WeekGridControl::CellRect(int row, int slot) const noexcept
{
    return ToRect(layout_.Cell(row, slot));
}

std::optional<WeekGridControl::Place> WeekGridControl::CellAt(POINT client) const noexcept
{
    return layout_.Hit(client.x, client.y);
}

WeekGridControl::Rows WeekGridControl::Between(Place a, Place b) noexcept
{
    return {std::min(a.row, b.row), std::max(a.row, b.row), std::min(a.slot, b.slot), std::max(a.slot, b.slot)};
}

bool WeekGridControl::InSelection(int row, int slot) const noexcept
{
    return anchor_ ? Between(*anchor_, focus_).Holds({row, slot}) : Place{row, slot} == focus_;
}

std::wstring WeekGridControl::CellAccessibleName(int row, int slot) const
{
    const int day = DayOfRowShown(row);
    return Widen(CellName(grid_, day, slot, Narrow(longNames_[day]), *texts_));
}

CellState WeekGridControl::Shown(Place place) const
{
    if (drag_ && Between(drag_->start, drag_->now).Holds(place))
        return drag_->allow ? CellState::Allowed : CellState::Forbidden;
    return grid_.Cell(DayOfRowShown(place.row), place.slot);
}

// Painting ------------------------------------------------------------------------------------

void WeekGridControl::Paint(HDC memory, const RECT& client) const
{
    const SelectedObject font(memory, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    // The page's own background and text colour behind the labels, as a static control has.
    SetTextColor(memory, Colour(COLOR_WINDOWTEXT));
    SetBkColor(memory, Colour(COLOR_BTNFACE));
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(Handle()), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(memory),
                     reinterpret_cast<LPARAM>(Handle())));
    const COLORREF text = IsWindowEnabled(Handle()) ? GetTextColor(memory) : Colour(COLOR_GRAYTEXT);
    FillRect(memory, &client, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
    PaintLabels(memory, text);
    PaintCells(memory);
    PaintMarks(memory);
}

void WeekGridControl::PaintLabels(HDC dc, COLORREF text) const
{
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text);
    for (int row = 0; row < kGridDays; ++row) {
        const std::wstring& name = shortNames_[DayOfRowShown(row)];
        RECT box = ToRect(layout_.DayLabel(row));
        box.left += std::max(1L, box.right / 16);
        DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &box, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    for (int hour = 0; hour <= 24; hour += layout_.HourStep()) {
        const std::wstring label = std::to_wstring(hour);
        RECT box = ToRect(layout_.HourLabel(hour));
        DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &box, DT_SINGLELINE | DT_CENTER | DT_NOPREFIX);
    }
}

void WeekGridControl::PaintCells(HDC dc) const
{
    const bool enabled = IsWindowEnabled(Handle());
    const COLORREF allowed = Colour(enabled ? COLOR_HIGHLIGHT : COLOR_GRAYTEXT);
    const COLORREF empty = Colour(COLOR_WINDOW);
    // Partly allowed cells are hatched, not only lighter: they differ by more than colour.
    const UniqueGdiObject hatch(CreateHatchBrush(HS_BDIAGONAL, allowed));
    SetBkMode(dc, OPAQUE);
    for (int row = 0; row < kGridDays; ++row)
        for (int slot = 0; slot < kGridSlots; ++slot) {
            const RECT cell = CellRect(row, slot);
            const CellState state = Shown({row, slot});
            Fill(dc, cell, state == CellState::Allowed ? allowed : empty);
            if (state == CellState::Partly)
                FillRect(dc, &cell, static_cast<HBRUSH>(hatch.Get()));
        }
    // Half-hour lines light, hour lines and day lines darker, every sixth hour darker still.
    const GridBox grid = layout_.Grid();
    const UniqueGdiObject halfPen(CreatePen(PS_SOLID, 1, Colour(COLOR_3DLIGHT)));
    const UniqueGdiObject hourPen(CreatePen(PS_SOLID, 1, Colour(COLOR_BTNSHADOW)));
    const UniqueGdiObject framePen(CreatePen(PS_SOLID, 1, Colour(COLOR_WINDOWTEXT)));
    for (int slot = 1; slot < kGridSlots; ++slot) {
        const SelectedObject pen(dc, slot % 12 == 0 ? framePen.Get() : slot % 2 == 0 ? hourPen.Get() : halfPen.Get());
        Line(dc, layout_.SlotLeft(slot), grid.top, layout_.SlotLeft(slot), grid.bottom);
    }
    {
        const SelectedObject pen(dc, hourPen.Get());
        for (int row = 1; row < kGridDays; ++row)
            Line(dc, grid.left, layout_.RowTop(row), grid.right, layout_.RowTop(row));
    }
    const SelectedObject pen(dc, framePen.Get());
    const SelectedObject noFill(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, grid.left, grid.top, grid.right + 1, grid.bottom + 1);
}

void WeekGridControl::PaintMarks(HDC dc) const
{
    const bool focused = GetFocus() == Handle();
    const std::optional<Rows> marked = drag_     ? std::optional<Rows>(Between(drag_->start, drag_->now))
                                       : anchor_ ? std::optional<Rows>(Between(*anchor_, focus_))
                                                 : std::nullopt;
    if (marked) {
        const RECT first = CellRect(marked->firstRow, marked->firstSlot);
        const RECT last = CellRect(marked->lastRow, marked->lastSlot);
        const int width = std::max(2, (layout_.RowTop(1) - layout_.RowTop(0)) / 8);
        const UniqueGdiObject framePen(CreatePen(PS_INSIDEFRAME, width, Colour(COLOR_WINDOWTEXT)));
        const SelectedObject pen(dc, framePen.Get());
        const SelectedObject noFill(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, first.left, first.top, last.right + 1, last.bottom + 1);
    }
    if (focused && !drag_) {
        RECT cell = CellRect(focus_.row, focus_.slot);
        InflateRect(&cell, -1, -1);
        SetTextColor(dc, Colour(COLOR_WINDOWTEXT));
        SetBkColor(dc, Colour(COLOR_WINDOW));
        DrawFocusRect(dc, &cell);
    }
}

// Mouse ---------------------------------------------------------------------------------------

void WeekGridControl::OnButtonDown(int x, int y)
{
    if (!IsWindowEnabled(Handle()))
        return;
    SetFocus(Handle());
    const std::optional<Place> hit = layout_.Hit(x, y);
    if (!hit)
        return;
    anchor_.reset();
    MoveFocus(*hit, false);
    drag_ = Drag{*hit, *hit, Shown(*hit) != CellState::Allowed};
    SetCapture(Handle());
    InvalidateRect(Handle(), nullptr, FALSE);
}

void WeekGridControl::OnMouseMove(int x, int y)
{
    if (!drag_)
        return;
    const Place now = layout_.Nearest(x, y);
    if (now == drag_->now)
        return;
    drag_->now = now;
    InvalidateRect(Handle(), nullptr, FALSE);
}

void WeekGridControl::OnButtonUp()
{
    if (!drag_)
        return;
    const Drag done = *drag_;
    drag_.reset();  // before the capture goes, so that losing it cancels nothing
    ReleaseCapture();
    const Rows rows = Between(done.start, done.now);
    UserEdit([&](WeekGrid& grid) {
        return grid.SetCells(DaysOfRows(rows.firstRow, rows.lastRow, firstWeekday_), rows.firstSlot, rows.lastSlot,
                             done.allow);
    });
}

void WeekGridControl::CancelDrag()
{
    if (!drag_)
        return;
    drag_.reset();
    if (GetCapture() == Handle())
        ReleaseCapture();
    InvalidateRect(Handle(), nullptr, FALSE);
}

// Keyboard ------------------------------------------------------------------------------------

bool WeekGridControl::OnKey(WPARAM key)
{
    if (!IsWindowEnabled(Handle()))
        return false;
    const bool shift = Held(VK_SHIFT), control = Held(VK_CONTROL);
    Place to = focus_;
    switch (key) {
    case VK_LEFT: to.slot = std::max(0, to.slot - 1); break;
    case VK_RIGHT: to.slot = std::min(kGridSlots - 1, to.slot + 1); break;
    case VK_UP: to.row = std::max(0, to.row - 1); break;
    case VK_DOWN: to.row = std::min(kGridDays - 1, to.row + 1); break;
    case VK_HOME: to.slot = 0; break;
    case VK_END: to.slot = kGridSlots - 1; break;
    case VK_SPACE: SetSelection(); return true;
    case VK_ESCAPE: CancelDrag(); return true;
    case 'C':
        if (!control)
            return false;
        CopyRow();
        return true;
    case 'V':
        if (!control)
            return false;
        PasteRow();
        return true;
    default: return false;
    }
    if (!drag_)
        MoveFocus(to, shift);
    return true;
}

void WeekGridControl::MoveFocus(Place to, bool extend)
{
    if (extend && !anchor_)
        anchor_ = focus_;
    else if (!extend)
        anchor_.reset();
    const bool moved = !(to == focus_);
    focus_ = to;
    InvalidateRect(Handle(), nullptr, FALSE);
    if (moved)
        NotifyFocus();
}

void WeekGridControl::FocusCell(Place place)
{
    anchor_.reset();
    MoveFocus(place, false);
}

void WeekGridControl::ToggleCell(Place place)
{
    UserEdit([&](WeekGrid& grid) { return grid.Toggle(DayOfRowShown(place.row), place.slot); });
}

void WeekGridControl::SetSelection()
{
    if (!anchor_) {
        ToggleCell(focus_);
        return;
    }
    // Like a drag from the selection's first corner.
    const bool allow = Shown(*anchor_) != CellState::Allowed;
    const Rows rows = Between(*anchor_, focus_);
    UserEdit([&](WeekGrid& grid) {
        return grid.SetCells(DaysOfRows(rows.firstRow, rows.lastRow, firstWeekday_), rows.firstSlot, rows.lastSlot,
                             allow);
    });
}

void WeekGridControl::CopyRow() const
{
    const std::wstring text = Widen(FormatDayPeriods(grid_.DayPeriods(DayOfRowShown(focus_.row))));
    if (!OpenClipboard(Handle()))
        return;
    EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* data = GlobalLock(memory)) {
            CopyMemory(data, text.c_str(), bytes);
            GlobalUnlock(memory);
            if (!SetClipboardData(CF_UNICODETEXT, memory))
                GlobalFree(memory);
        } else {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

void WeekGridControl::PasteRow()
{
    std::wstring text;
    if (!OpenClipboard(Handle()))
        return;
    if (HANDLE memory = GetClipboardData(CF_UNICODETEXT))
        if (const auto* data = static_cast<const wchar_t*>(GlobalLock(memory))) {
            text.assign(data, wcsnlen(data, GlobalSize(memory) / sizeof(wchar_t)));
            GlobalUnlock(memory);
        }
    CloseClipboard();
    // Anything but a day's time (text copied from elsewhere) is not pasted.
    const std::optional<std::vector<DayPeriod>> periods = ParseDayPeriods(Narrow(text));
    if (!periods)
        return;
    UserEdit([&](WeekGrid& grid) { return grid.SetDay(DayOfRowShown(focus_.row), *periods); });
}

void WeekGridControl::ShowMenu(LPARAM where)
{
    POINT screen{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
    if (where == static_cast<LPARAM>(-1)) {  // from the keyboard: at the focused cell
        const RECT cell = CellRect(focus_.row, focus_.slot);
        screen = {cell.left, cell.bottom};
        ClientToScreen(Handle(), &screen);
    } else {
        POINT client = screen;
        ScreenToClient(Handle(), &client);
        if (const std::optional<Place> hit = layout_.Hit(client.x, client.y))
            FocusCell(*hit);
    }
    const UniqueMenu menu(CreatePopupMenu());
    const auto item = [&](UINT_PTR command, TextId text) {
        AppendMenuW(menu.Get(), MF_STRING, command, Widen(texts_->Get(text)).c_str());
    };
    item(kCopyToEveryDay, TextId::GridCopyToEveryDay);
    item(kCopyToWorkDays, TextId::GridCopyToWorkDays);
    item(kCopyToWeekend, TextId::GridCopyToWeekend);
    AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    item(kClearDay, TextId::GridClearDay);
    const int command = PopupMenuAt(menu.Get(), screen, Handle());
    const int day = DayOfRowShown(focus_.row);
    UserEdit([&](WeekGrid& grid) {
        switch (command) {
        case kCopyToEveryDay: return grid.CopyDay(day, kEveryDay);
        case kCopyToWorkDays: return grid.CopyDay(day, kMondayToFriday);
        case kCopyToWeekend: return grid.CopyDay(day, kSaturdayAndSunday);
        case kClearDay: return grid.Clear(DayBit(day));
        default: return false;
        }
    });
}

// Changes and notifications -------------------------------------------------------------------

void WeekGridControl::UserEdit(const std::function<bool(WeekGrid&)>& edit)
{
    const WeekGrid before = grid_;
    if (!edit(grid_))
        return;
    InvalidateRect(Handle(), nullptr, FALSE);
    Changed(before);
    SendMessageW(GetParent(Handle()), WM_COMMAND,
                 MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(Handle())), kWeekGridChanged),
                 reinterpret_cast<LPARAM>(Handle()));
}

void WeekGridControl::Changed(const WeekGrid& before)
{
    for (int row = 0; row < kGridDays; ++row)
        for (int slot = 0; slot < kGridSlots; ++slot)
            if (before.Cell(DayOfRowShown(row), slot) != grid_.Cell(DayOfRowShown(row), slot))
                NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, Handle(), OBJID_CLIENT, WeekGridAccessible::ChildId({row, slot}));
}

void WeekGridControl::NotifyFocus() const noexcept
{
    if (GetFocus() == Handle())
        NotifyWinEvent(EVENT_OBJECT_FOCUS, Handle(), OBJID_CLIENT, WeekGridAccessible::ChildId(focus_));
}

LRESULT WeekGridControl::AccessibleObject(WPARAM wParam, LPARAM lParam)
{
    if (static_cast<LONG>(lParam) != OBJID_CLIENT)
        return DefaultHandling(WM_GETOBJECT, wParam, lParam);
    if (!accessible_)
        accessible_ = WeekGridAccessible::Create(*this);
    return accessible_ ? accessible_->Answer(wParam) : 0;
}

// Messages ------------------------------------------------------------------------------------

LRESULT WeekGridControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    // Off screen and copied whole: no flicker while a drag repaints the grid.
    case WM_PAINT: return PaintBufferedWith([this](HDC memory, const RECT& client) { Paint(memory, client); });
    case WM_ERASEBKGND: return 1;
    case WM_SIZE:
    case kDpiChangedAfterParent: Relayout(); return 0;
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wParam);
        Relayout();
        if (LOWORD(lParam))
            UpdateWindow(Handle());
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_);
    case WM_SETTINGCHANGE:
        ReadDayNames();
        Relayout();
        return 0;
    case WM_ENABLE:
        CancelDrag();
        InvalidateRect(Handle(), nullptr, FALSE);
        return 0;
    case WM_SETFOCUS:
        InvalidateRect(Handle(), nullptr, FALSE);
        NotifyFocus();
        return 0;
    case WM_KILLFOCUS:
        CancelDrag();
        InvalidateRect(Handle(), nullptr, FALSE);
        return 0;
    case WM_GETDLGCODE: {
        // Arrows and Space are the grid's; Esc too while a drag would otherwise close the dialog.
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        const bool escape = msg && msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE && drag_;
        return DLGC_WANTARROWS | DLGC_WANTCHARS | (escape ? DLGC_WANTMESSAGE : 0);
    }
    case WM_LBUTTONDOWN: OnButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_MOUSEMOVE: OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_LBUTTONUP: OnButtonUp(); return 0;
    case WM_CAPTURECHANGED: CancelDrag(); return 0;
    case WM_KEYDOWN:
        if (OnKey(wParam))
            return 0;
        break;
    case WM_CONTEXTMENU: ShowMenu(lParam); return 0;
    case WM_GETOBJECT: return AccessibleObject(wParam, lParam);
    case WM_DESTROY: LetGoOfAccessible(); break;
    default: break;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace vardex
