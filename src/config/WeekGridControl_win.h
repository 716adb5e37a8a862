#pragma once
// The week grid control of the User page: 7 weekday rows (from the regional first weekday) by
// 48 half-hours, on which the administrator paints when a user may work.
//
// Mouse: a press starts a drag that paints the rectangle from its cell to the cell under the
// pointer with the opposite of the start cell's state; it shows while dragging and applies on
// release (Esc or a lost capture cancels). Keys: arrows, Home and End move the focused cell,
// Shift extends a selection, Space toggles the cell or sets the selection, Ctrl+C and Ctrl+V copy
// a row's time through the clipboard (as a day's text, "16:00-18:00"); the context menu copies a
// row to other days or clears it. Screen readers see the 336 cells through MSAA.
//
// After every change made by the user's hand (not after Load) the parent gets
// WM_COMMAND with wParam = MAKEWPARAM(id, kWeekGridChanged) and lParam = the control's window.
#include "WeekGrid.h"
#include "win/UniqueHandle_win.h"
#include "win/Window_win.h"

#include <functional>
#include <optional>
#include <string>

namespace vardex {

class WeekGridAccessible;

inline constexpr WORD kWeekGridChanged = 0x0E01;

class WeekGridControl final : public Window {
public:
    using Place = GridLayout::Place;

    WeekGridControl() = default;
    ~WeekGridControl() override;

    // A child of parent in area (the parent's client coordinates), with the parent's font.
    void Create(HWND parent, const RECT& area, int id);
    // In a template's placeholder: its rectangle, id and place in the tab order; the placeholder
    // goes.
    void CreateInPlaceOf(HWND placeholder);

    // The language of the days' names, the menu and the cells' names; they outlive the control.
    void SpeakIn(const Texts& texts) noexcept { texts_ = &texts; }
    const Texts& Words() const noexcept { return *texts_; }
    // 0 Monday ... 6 Sunday: the day on the first row.
    void SetFirstWeekday(int firstWeekday);
    // Shows the week; the user has changed nothing since.
    void Load(const WeekPeriods& week);
    WeekPeriods Periods() const { return grid_.Periods(); }
    // Whether the week differs from the one last loaded.
    bool Modified() const { return !(grid_ == loaded_); }
    void SetEnabled(bool enabled) noexcept { EnableWindow(Handle(), enabled ? TRUE : FALSE); }

    // For the accessible object and the tests; rows as shown.
    const WeekGrid& Grid() const noexcept { return grid_; }
    int DayOfRowShown(int row) const noexcept { return DayOfRow(row, firstWeekday_); }
    RECT CellRect(int row, int slot) const noexcept;  // client coordinates
    std::optional<Place> CellAt(POINT client) const noexcept;
    Place Focused() const noexcept { return focus_; }
    bool InSelection(int row, int slot) const noexcept;
    std::wstring CellAccessibleName(int row, int slot) const;
    // Moves the focused cell there (an accessibility client's selection).
    void FocusCell(Place place);
    // Toggles a cell as the user would (an accessibility client's default action).
    void ToggleCell(Place place);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct Drag {
        Place start, now;
        bool allow = false;
    };
    struct Rows {
        int firstRow, lastRow, firstSlot, lastSlot;
        bool Holds(Place place) const noexcept
        {
            return place.row >= firstRow && place.row <= lastRow && place.slot >= firstSlot && place.slot <= lastSlot;
        }
    };
    static Rows Between(Place a, Place b) noexcept;

    void ReadDayNames();
    void Relayout();
    void Paint(HDC memory, const RECT& client) const;
    void PaintLabels(HDC dc, COLORREF text) const;
    void PaintCells(HDC dc) const;
    void PaintMarks(HDC dc) const;
    CellState Shown(Place place) const;

    void OnButtonDown(int x, int y);
    void OnMouseMove(int x, int y);
    void OnButtonUp();
    void CancelDrag();
    bool OnKey(WPARAM key);
    void MoveFocus(Place to, bool extend);
    void SetSelection();
    void CopyRow() const;
    void PasteRow();
    void ShowMenu(LPARAM where);
    // Applies an edit of the user's: repaints, tells screen readers which cells changed and the
    // parent that the week did.
    void UserEdit(const std::function<bool(WeekGrid&)>& edit);
    void Changed(const WeekGrid& before);
    void NotifyFocus() const noexcept;
    LRESULT AccessibleObject(WPARAM wParam, LPARAM lParam);
    void LetGoOfAccessible() noexcept;

    WeekGrid grid_, loaded_;
    int firstWeekday_ = 0;
    const Texts* texts_ = &EnglishTexts();
    std::wstring shortNames_[kGridDays], longNames_[kGridDays];
    HFONT font_ = nullptr;
    GridLayout layout_;
    Place focus_;
    std::optional<Place> anchor_;  // the selection's other corner
    std::optional<Drag> drag_;
    WeekGridAccessible* accessible_ = nullptr;
};

}  // namespace vardex
