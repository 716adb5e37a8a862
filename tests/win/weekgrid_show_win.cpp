// Shows the week grid with a sample week on a dialog, enabled with the focus and disabled, at the
// screen's resolution: for screenshots at 96, 144 and 192 DPI, run by hand. "weekgrid_show 6"
// puts Sunday first.
#include "config/WeekGridControl_win.h"

#include <cstdlib>

namespace {

using vardex::DayPeriod;

constexpr std::int32_t At(int hours, int minutes = 0)
{
    return hours * 3600 + minutes * 60;
}

vardex::WeekGridControl grids[2];
int firstWeekday = 0;

vardex::WeekPeriods SampleWeek()
{
    vardex::WeekPeriods week;
    for (int day = 0; day < 5; ++day)
        week[static_cast<size_t>(day)] = {{At(16), At(18)}};
    week[0].push_back({At(7, 10), At(7, 50)});
    week[5] = week[6] = {{At(10), At(12)}, {At(15), At(19)}};
    return week;
}

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) noexcept
{
    if (message == WM_INITDIALOG) {
        for (int i = 0; i < 2; ++i) {
            grids[i].CreateInPlaceOf(GetDlgItem(dialog, 101 + i));
            grids[i].SetFirstWeekday(firstWeekday);
            grids[i].Load(SampleWeek());
        }
        grids[1].SetEnabled(false);
        SetFocus(grids[0].Handle());
        return FALSE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK)) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        firstWeekday = std::atoi(argv[1]);
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(100), nullptr, Procedure, 0);
    return 0;
}
