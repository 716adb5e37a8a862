#include "config/WeekGridControl_win.h"

#include <windows.h>

#include <oleacc.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

namespace vardex {
namespace {

// The page: counts the grid's change notifications.
class GridHost final : public Window {
public:
    int changes = 0;
    GridHost()
    {
        CreateParams params;
        params.className = L"VardexWeekGridHost";
        params.title = L"Week grid";
        params.style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
        params.width = 760;
        params.height = 320;
        Create(params);
    }

protected:
    bool OnCommand(int id, int code, HWND) override
    {
        changes += id == kId && code == kWeekGridChanged;
        return true;
    }

public:
    static constexpr int kId = 77;
};

// The cells whose names changed, as screen readers hear of them.
int nameChanges = 0;
void CALLBACK CountNameChange(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD)
{
    nameChanges += event == EVENT_OBJECT_NAMECHANGE && object == OBJID_CLIENT && child > 0;
}

int NameChangesHeard()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    return std::exchange(nameChanges, 0);
}

struct GridOnAPage {
    GridHost host;
    WeekGridControl grid;
    GridOnAPage(int firstWeekday = 0)
    {
        grid.Create(host.Handle(), {10, 10, 730, 250}, GridHost::kId);
        SetWindowTextW(grid.Handle(), L"Allowed hours");
        grid.SetFirstWeekday(firstWeekday);
        SetFocus(grid.Handle());
    }
    LPARAM Centre(int row, int slot) const
    {
        const RECT cell = grid.CellRect(row, slot);
        return MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    }
    void Drag(int row, int slot, int toRow, int toSlot, bool escape = false) const
    {
        SendMessageW(grid.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Centre(row, slot));
        SendMessageW(grid.Handle(), WM_MOUSEMOVE, MK_LBUTTON, Centre((row + toRow) / 2, (slot + toSlot) / 2));
        SendMessageW(grid.Handle(), WM_MOUSEMOVE, MK_LBUTTON, Centre(toRow, toSlot));
        if (escape)
            Key(VK_ESCAPE);
        SendMessageW(grid.Handle(), WM_LBUTTONUP, 0, Centre(toRow, toSlot));
    }
    // A key pressed with the modifiers held, as the thread's key state says.
    void Key(WPARAM key, int modifier = 0) const
    {
        BYTE keys[256]{};
        if (modifier)
            keys[modifier] = 0x80;
        SetKeyboardState(keys);
        SendMessageW(grid.Handle(), WM_KEYDOWN, key, 1);
        keys[modifier] = 0;
        SetKeyboardState(keys);
    }
    std::string Week() const
    {
        std::string text;
        for (const auto& day : grid.Periods())
            text += FormatDayPeriods(day) + "|";
        return text;
    }
};

TEST(WeekGridControlWin, MouseAndKeysPaintTheWeekAndTellThePage)
{
    GridOnAPage page;
    page.grid.Load({{{{16 * 3600 + 15 * 60, 17 * 3600 + 5 * 60}}}});
    struct Step {
        const char* what;
        std::function<void(const GridOnAPage&)> act;
        const char* week;
        int changes, cellsRenamed;
    } steps[] = {
        {"a drag from Wednesday 17:30 up to Monday 16:00 paints the rectangle (Monday 16:30 was allowed already)",
         [](const GridOnAPage& p) { p.Drag(2, 35, 0, 32); }, "16:00-18:00|16:00-18:00|16:00-18:00|||||", 1, 11},
        {"a drag from an allowed cell clears", [](const GridOnAPage& p) { p.Drag(1, 33, 1, 34); },
         "16:00-18:00|16:00-16:30,17:30-18:00|16:00-18:00|||||", 2, 2},
        {"Escape cancels a drag", [](const GridOnAPage& p) { p.Drag(4, 0, 6, 9, true); },
         "16:00-18:00|16:00-16:30,17:30-18:00|16:00-18:00|||||", 2, 0},
        {"Space toggles the focused cell (where the cancelled drag started, one to the right)",
         [](const GridOnAPage& p) {
             p.Key(VK_RIGHT);
             p.Key(VK_SPACE);
         },
         "16:00-18:00|16:00-16:30,17:30-18:00|16:00-18:00||00:30-01:00|||", 3, 1},
        {"Ctrl+C on Monday, Ctrl+V on Friday",
         [](const GridOnAPage& p) {
             p.Key(VK_HOME);
             for (int i = 0; i < 4; ++i)
                 p.Key(VK_UP);
             p.Key('C', VK_CONTROL);
             for (int i = 0; i < 4; ++i)
                 p.Key(VK_DOWN);
             p.Key('V', VK_CONTROL);
         },
         "16:00-18:00|16:00-16:30,17:30-18:00|16:00-18:00||16:00-18:00|||", 4, 5},
        {"Shift+arrows select, Space sets the selection to its first cell's opposite",
         [](const GridOnAPage& p) {
             p.Key(VK_END);
             p.Key(VK_LEFT, VK_SHIFT);
             p.Key(VK_DOWN, VK_SHIFT);
             p.Key(VK_SPACE);
         },
         "16:00-18:00|16:00-16:30,17:30-18:00|16:00-18:00||16:00-18:00,23:00-24:00|23:00-24:00||", 5, 4},
    };
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                                               CountNameChange, GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    NameChangesHeard();
    for (const Step& step : steps) {
        step.act(page);
        EXPECT_EQ(page.Week(), step.week) << step.what;
        EXPECT_EQ(page.host.changes, step.changes) << step.what;
        EXPECT_EQ(NameChangesHeard(), step.cellsRenamed) << step.what;
    }
    UnhookWinEvent(hook);
    EXPECT_TRUE(page.grid.Modified());
    page.grid.Load(page.grid.Periods());
    EXPECT_FALSE(page.grid.Modified()) << "a load is no change of the user's";
    EnableWindow(page.grid.Handle(), FALSE);
    SendMessageW(page.grid.Handle(), WM_KEYDOWN, VK_SPACE, 1);
    EXPECT_EQ(page.host.changes, 5) << "a disabled grid takes no keys sent to it";
}

struct Accessible {
    IAccessible* object = nullptr;
    explicit Accessible(HWND window)
    {
        AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                   reinterpret_cast<void**>(&object));
    }
    ~Accessible()
    {
        if (object)
            object->Release();
    }
    static VARIANT Child(LONG id)
    {
        VARIANT child;
        VariantInit(&child);
        child.vt = VT_I4;
        child.lVal = id;
        return child;
    }
    std::wstring Name(LONG id) const
    {
        BSTR name = nullptr;
        if (FAILED(object->get_accName(Child(id), &name)) || !name)
            return L"(none)";
        std::wstring text(name, SysStringLen(name));
        SysFreeString(name);
        return text;
    }
    LONG Focus() const
    {
        VARIANT focus;
        VariantInit(&focus);
        object->get_accFocus(&focus);
        return focus.vt == VT_I4 ? focus.lVal : -1;
    }
};

TEST(WeekGridControlWin, ScreenReadersSeeTheCellsTheirNamesAndTheFocus)
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    {
        auto page = std::make_unique<GridOnAPage>(6);  // Sunday first, as on a US system
        page->grid.Load({{{{16 * 3600, 18 * 3600}}, {}, {}, {}, {}, {}, {{7 * 3600 + 600, 7 * 3600 + 3000}}}});
        Accessible accessible(page->grid.Handle());
        ASSERT_NE(accessible.object, nullptr);
        long count = 0;
        accessible.object->get_accChildCount(&count);
        EXPECT_EQ(count, 336);
        struct Case {
            LONG child;
            const wchar_t* name;
        } cases[] = {
            {CHILDID_SELF, L"Allowed hours"},
            {1, L"Sunday 00:00\u201300:30, not allowed"},
            {15, L"Sunday 07:00\u201307:30, partly allowed"},
            {48 + 33, L"Monday 16:00\u201316:30, allowed"},
            {336, L"Saturday 23:30\u201324:00, not allowed"},
        };
        for (const Case& c : cases)
            EXPECT_EQ(accessible.Name(c.child), c.name);

        page->Key(VK_DOWN);
        page->Key(VK_RIGHT);
        EXPECT_EQ(accessible.Focus(), 48 + 2) << "Monday 00:30";
        VARIANT state;
        accessible.object->get_accState(Accessible::Child(50), &state);
        EXPECT_TRUE(state.lVal & STATE_SYSTEM_FOCUSED);
        long left = 0, top = 0, width = 0, height = 0;
        accessible.object->accLocation(&left, &top, &width, &height, Accessible::Child(48 + 33));
        VARIANT hit;
        accessible.object->accHitTest(left + width / 2, top + height / 2, &hit);
        EXPECT_EQ(hit.lVal, 48 + 33) << "the cell's place on the screen is where it is hit";
        VARIANT below;
        accessible.object->accNavigate(NAVDIR_DOWN, Accessible::Child(48 + 33), &below);
        EXPECT_EQ(accessible.Name(below.lVal), L"Tuesday 16:00\u201316:30, not allowed");

        page.reset();
        EXPECT_EQ(accessible.object->get_accChildCount(&count), CO_E_OBJNOTCONNECTED)
            << "held beyond its window, it touches the window no more";
    }
    CoUninitialize();
}

}  // namespace
}  // namespace vardex
