#include "UserPage_win.h"

#include "Schedule.h"
#include "UserRules.h"
#include "common/DateTime.h"
#include "win/Controls_win.h"
#include "win/Help_win.h"
#include "win/TextConvert_win.h"
#include "help/help_ids.h"
#include "resource_ids.h"

#include <algorithm>
#include <iterator>

namespace vardex {

namespace {
namespace N = SettingNames;
// A stored period whose times cannot be read is shown as stored, with this mark.
constexpr const wchar_t* kUnreadableMark = L"  (?)";

SYSTEMTIME TodayAt(const ClockTime& time)
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    t.wHour = static_cast<WORD>(time.hour);
    t.wMinute = static_cast<WORD>(time.minute);
    t.wSecond = static_cast<WORD>(time.second);
    t.wMilliseconds = 0;
    return t;
}

bool Held(int key) noexcept
{
    return (GetKeyState(key) & 0x8000) != 0;
}

constexpr std::pair<int, EndAction> kEndButtons[] = {
    {IDC_END_SHUTDOWN, EndAction::ShutDown}, {IDC_END_LOGOFF, EndAction::LogOff}, {IDC_END_STAY_LOCKED, EndAction::StayLocked}};

// The local date and time now, as the rules read it.
LocalMoment Now()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {DayNumber(t.wYear, t.wMonth, t.wDay), t.wHour * 3600 + t.wMinute * 60 + t.wSecond};
}

}  // namespace

std::optional<std::string> TimePeriodDialog::Ask(MessagePump& pump, HWND owner)
{
    if (ShowModal(pump, owner, IDD_TIME_PERIOD) != IDOK)
        return std::nullopt;
    return period_;
}

void TimePeriodDialog::SetTimes(const ClockTime& from, const ClockTime& till)
{
    for (const auto& [id, time] : {std::pair{IDC_FROM_TIME, from}, std::pair{IDC_TILL_TIME, till}}) {
        SYSTEMTIME t = TodayAt(time);
        SendDlgItemMessageW(Handle(), id, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&t));
    }
}

ClockTime TimePeriodDialog::TimeOf(int pickerId) const
{
    SYSTEMTIME t{};
    SendDlgItemMessageW(Handle(), pickerId, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&t));
    return {t.wHour, t.wMinute, t.wSecond};
}

bool TimePeriodDialog::OnInitDialog()
{
    SetTimes(times_.first, times_.second);
    // Each label 4 pixels left of its picker, centred on it.
    for (const auto& [labelId, pickerId] : {std::pair{IDC_FROM_LABEL, IDC_FROM_TIME}, {IDC_TILL_LABEL, IDC_TILL_TIME}}) {
        const RECT label = ItemRect(Handle(), Item(labelId)), picker = ItemRect(Handle(), Item(pickerId));
        const int width = label.right - label.left, height = label.bottom - label.top;
        MoveItem(Item(labelId), picker.left - 4 - width, (picker.top + picker.bottom - height) / 2, width, height);
    }
    CentreOn(Handle(), GetWindow(Handle(), GW_OWNER));
    return true;
}

bool TimePeriodDialog::OnCommand(int id, int, HWND)
{
    switch (id) {
    case IDOK:
        if ((period_ = list_.PeriodText(TimeOf(IDC_FROM_TIME), TimeOf(IDC_TILL_TIME)))) {
            Close(IDOK);
        } else {
            Refuse(Words().Get(TextId::PeriodInvalid));
            SetTimes({}, {});
            SetFocus(Item(IDC_FROM_TIME));
        }
        return true;
    case IDCANCEL: Close(IDCANCEL); return true;
    case IDC_TIME_HELP: ShowHelpTopic(Handle(), kHelpTopicTimePeriod, Words().Of()); return true;
    default: return false;
    }
}

bool UserPage::OnInitDialog()
{
    password_.emplace(Item(IDC_UPSW1), Item(IDC_UPSW2), filling_);
    hours_.emplace(Handle(), IDC_DURATION, IDC_DURATION_SPIN, FindSetting(N::AllowedHours), filling_);
    idleMinutes_.emplace(Handle(), IDC_IDLE_MINUTES, IDC_IDLE_SPIN, FindSetting(N::IdleMinutes), filling_);
    weekHours_.emplace(Item(IDC_WEEK_HOURS), FindSetting(N::WeekMinutes).high, filling_);
    const int firstWeekday = schedule_.Formats().firstWeekday;
    for (size_t row = 0; row < dayHours_.size(); ++row) {
        const int id = static_cast<int>(row);
        dayHours_[row].emplace(Item(IDC_DAY_HOURS1 + id), FindSetting(N::DayMinutes[0]).high, filling_);
        SetWindowTextW(Item(IDC_DAY_LABEL1 + id),
                       Widen(Words().Get(NthText(TextId::WeekdayShort1, DayOfRow(id, firstWeekday)))).c_str());
    }
    grid_.SpeakIn(Words());
    grid_.CreateInPlaceOf(Item(IDC_WEEK_GRID));
    grid_.SetFirstWeekday(firstWeekday);
    summaryRoom_ = ItemRect(Handle(), Item(IDC_SCHEDULE_SUMMARY));
    HWND view = ScheduleView();
    ListView_SetExtendedListViewStyle(view, LVS_EX_CHECKBOXES);
    RECT area;
    GetClientRect(view, &area);
    ListView_SetColumnWidth(view, 0, (area.right - GetSystemMetrics(SM_CXVSCROLL)) / 2);  // two columns
    menu_.Reset(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_SCHEDULE_MENU)));

    // A flat tool bar takes no focus when clicked: the list keeps its selection and its focus.
    const RECT place = ItemRect(Handle(), Item(IDC_SCHEDULE_BUTTONS));
    buttons_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | TBSTYLE_WRAPABLE |
                                   CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER | CCS_VERT,
                               place.left, place.top, place.right - place.left, place.bottom - place.top, Handle(),
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(buttons_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    return true;
}

void UserPage::SetButtonIcons(int size)
{
    constexpr int kIcons[] = {IDI_SCHEDULE_ADD, IDI_SCHEDULE_REMOVE, IDI_SCHEDULE_EDIT};
    constexpr int kCommands[] = {IDC_ADD_PERIOD, IDC_REMOVE_PERIOD, IDC_EDIT_PERIOD};
    buttonImages_.Reset(IconImageList(kIcons, std::size(kIcons), size));
    SetToolButtons(buttons_, buttonImages_.Get(), kCommands, std::size(kCommands), TBSTATE_ENABLED | TBSTATE_WRAP);
    // One button wide, so that the three stand in a column.
    const auto buttonSize = static_cast<DWORD>(SendMessageW(buttons_, TB_GETBUTTONSIZE, 0, 0));
    const RECT place = ItemRect(Handle(), buttons_);
    MoveItem(buttons_, place.left, place.top, LOWORD(buttonSize), 3 * HIWORD(buttonSize));
    UpdateScheduleButtons();
}

void UserPage::ChangeLook(const PageLook& look)
{
    ConfigPage::ChangeLook(look);
    currentUserIcon_.Reset(LoadIconAt(IDI_NODE_CURRENT_USER, look.largeIcon));
    SetButtonIcons(look.smallIcon);
}

void UserPage::ShowFor(const NavigationNodes& nodes, int node)
{
    const NavigationNode& shown = nodes.At(node);
    SetTitleLook(look_.titleFont, isCurrentUser_(shown.caption) ? currentUserIcon_.Get() : TitleIcon());
    SetTitle(Widen(Words().Format(TextId::UserTitle, {shown.caption})));
    ShowUser(static_cast<size_t>(shown.userIndex));
}

void UserPage::Saved()
{
    if (Shown())
        ShowUser(user_);
}

UserRecord& UserPage::Record()
{
    return model_.Users().at(user_);
}

void UserPage::ShowUser(size_t userIndex)
{
    const FillingScope filling(filling_);
    user_ = userIndex;
    UserRecord& record = Record();
    schedule_.Load(record.values.Text(N::Schedule));
    const bool focused = GetFocus() == ScheduleView();
    remembered_ = schedule_.Items().empty() ? std::nullopt : std::optional<size_t>(0);
    schedule_.Select(focused ? remembered_ : std::nullopt);
    ShowSchedule();
    // A stored duration outside the field's limits is held at the nearest one from now on.
    record.values.Set(N::AllowedHours, hours_->Show(record.values.Number(N::AllowedHours)));
    SetChecked(Handle(), IDC_SCHEDULE_CHECK, record.values.Flag(N::RestrictBySchedule));
    SetChecked(Handle(), IDC_DURATION_CHECK, record.values.Flag(N::RestrictByDuration));
    password_->Fill(record.password);
    SetChecked(Handle(), IDC_NOT_COUNTED_LOCKED, record.values.Flag(N::NotCountedWhileLocked));
    record.values.Set(N::IdleMinutes, idleMinutes_->Show(record.values.Number(N::IdleMinutes)));
    for (const auto& [id, end] : kEndButtons)
        SetChecked(Handle(), id, record.values.Number(N::EndAction) == static_cast<std::int32_t>(end));
    weekHours_->Show(record.values.Number(N::WeekMinutes));
    ShowScheduleSummary();
    UpdateScheduleButtons();
    ShowWeek();
}

WeekPeriods UserPage::EveryDayWeek()
{
    // The stored list as the service reads it, whether or not it is checked now: the grid shows
    // what it would allow.
    LockServiceSettings reading = ServiceReadingOf(Record(), schedule_.Formats());
    reading.RestrictBySchedule = true;
    reading.OwnWeekdayRules = false;
    const WeekRules rules = WeekRulesOf(reading, 0);
    WeekPeriods week;
    const std::int32_t today = Now().day;
    const std::int32_t monday = today - WeekdayOf(today);
    for (int day = 0; day < 7; ++day)
        week[static_cast<size_t>(day)] = AllowedStretches(rules, monday + day);
    return week;
}

void UserPage::ShowWeek()
{
    const FillingScope filling(filling_);
    WindowValues& values = Record().values;
    const bool own = values.Flag(N::OwnWeekdayRules);
    SetChecked(Handle(), IDC_SAME_EVERY_DAY, !own);
    WeekPeriods week = EveryDayWeek();
    for (size_t day = 0; day < week.size(); ++day)
        if (own && values.Present(N::DayPeriods[day]))
            week[day] = ParseDayPeriods(values.Text(N::DayPeriods[day])).value_or(std::vector<DayPeriod>{});
    grid_.Load(week);
    grid_.SetEnabled(own);
    const int firstWeekday = schedule_.Formats().firstWeekday;
    for (size_t row = 0; row < dayHours_.size(); ++row) {
        const size_t day = static_cast<size_t>(DayOfRow(static_cast<int>(row), firstWeekday));
        const bool ownMinutes = own && values.Present(N::DayMinutes[day]);
        dayHours_[row]->Show(ownMinutes ? values.Number(N::DayMinutes[day]) : values.Number(N::AllowedHours) * 60);
        EnableWindow(dayHours_[row]->Handle(), own);
    }
    ShowToday();
}

void UserPage::SetWeekdayRules(bool own)
{
    Record().values.Set(N::OwnWeekdayRules, own);
    ShowWeek();
    DataChange();
}

void UserPage::WeekGridChanged()
{
    // Every day is written once one changes: a period that runs past midnight belongs to the
    // next row in the grid, so only the whole week keeps the time as shown.
    const WeekPeriods week = grid_.Periods();
    for (size_t day = 0; day < week.size(); ++day)
        Record().values.Set(N::DayPeriods[day], FormatDayPeriods(week[day]));
    ShowToday();
    DataChange();
}

void UserPage::DayHoursChanged(size_t row, int code)
{
    if (const std::optional<std::int32_t> minutes = dayHours_[row]->Notified(code)) {
        const size_t day = static_cast<size_t>(DayOfRow(static_cast<int>(row), schedule_.Formats().firstWeekday));
        Record().values.Set(N::DayMinutes[day], *minutes);
        ShowToday();
        DataChange();
    }
}

void UserPage::EndChosen(EndAction end)
{
    Record().values.Set(N::EndAction, static_cast<std::int32_t>(end));
    DataChange();
}

void UserPage::ShowToday()
{
    const UserRecord& record = Record();
    const LockServiceSettings reading = ServiceReadingOf(record, schedule_.Formats());
    const WeekRules rules = WeekRulesOf(reading, schedule_.Formats().firstWeekday);
    const LocalMoment now = Now();
    const UseSoFar used{reading.CounterDay == now.day ? std::int64_t{reading.UsedSeconds} : 0,
                        reading.WeekCounterDay == WeekStartOf(now.day, rules.firstWeekday)
                            ? std::int64_t{reading.WeekUsedSeconds}
                            : 0};
    SetWindowTextW(Item(IDC_TODAY), Widen(TodayText(rules, now, used, record.userKey, Words())).c_str());
}

bool UserPage::MayLeave()
{
    return password_->Confirmed(Words().Format(TextId::PairUser, {Record().userKey}), Words());
}

void UserPage::ShowScheduleSummary()
{
    HWND summary = Item(IDC_SCHEDULE_SUMMARY);
    const std::wstring text = Widen(SummarizeSchedule(Record().values.Text(N::Schedule), schedule_.Formats(), Words()).text);
    RECT needed{0, 0, summaryRoom_.right - summaryRoom_.left, 0};
    {
        const WindowDC dc(summary);
        const SelectedObject font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageW(summary, WM_GETFONT, 0, 0)));
        DrawTextW(dc.Get(), text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    }
    // The size first: a static that grows redraws only what it gains, with the old text beside it.
    MoveItem(summary, summaryRoom_.left, summaryRoom_.top, needed.right,
             std::min(needed.bottom, summaryRoom_.bottom - summaryRoom_.top));
    SetWindowTextW(summary, text.c_str());
}

void UserPage::ShowSchedule()
{
    HWND view = ScheduleView();
    const FillingScope filling(filling_);  // the view's own notifications while it is refilled do not count
    const RedrawPause pause(view);
    ListView_DeleteAllItems(view);
    const std::vector<SchedulePeriod>& items = schedule_.Items();
    for (size_t i = 0; i < items.size(); ++i) {
        std::wstring text = Widen(items[i].text);
        if (!schedule_.IsReadable(i))
            text += kUnreadableMark;
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = text.data();
        ListView_InsertItem(view, &item);
        ListView_SetCheckState(view, static_cast<int>(i), items[i].enabled);
    }
    if (const std::optional<size_t> selected = schedule_.Selected())
        ListView_SetItemState(view, static_cast<int>(*selected), LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
}

std::optional<size_t> UserPage::ViewSelection() const
{
    const int row = ListView_GetNextItem(ScheduleView(), -1, LVNI_SELECTED);
    return row < 0 ? std::nullopt : std::optional<size_t>(static_cast<size_t>(row));
}

void UserPage::ScheduleChange()
{
    UpdateScheduleButtons();
    Record().values.Set(N::Schedule, schedule_.Text());
    ShowScheduleSummary();
    ShowWeek();
    DataChange();
}

void UserPage::UpdateScheduleButtons()
{
    const bool enabled = GetFocus() == ScheduleView() && schedule_.Selected().has_value();
    for (const int id : {IDC_REMOVE_PERIOD, IDC_EDIT_PERIOD}) {
        SendMessageW(buttons_, TB_ENABLEBUTTON, static_cast<WPARAM>(id), enabled);
        EnableMenuItem(menu_.Get(), static_cast<UINT>(id), static_cast<UINT>(MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED)));
    }
}

bool UserPage::NoModifierHeld() const noexcept
{
    for (const int key : {VK_SHIFT, VK_CONTROL, VK_MENU, VK_LBUTTON, VK_RBUTTON, VK_MBUTTON})
        if (Held(key))
            return false;
    return true;
}

void UserPage::AddPeriod()
{
    AskPeriod({}, [this](const std::string& period) { schedule_.Add(period); });
}

void UserPage::EditPeriod()
{
    if (!schedule_.Selected())
        return;
    AskPeriod(schedule_.SelectedTimes(), [this](const std::string& period) {
        schedule_.Select(remembered_);  // the dialog took the focus, and the selection with it
        schedule_.Edit(period);
    });
}

void UserPage::AskPeriod(std::pair<ClockTime, ClockTime> times, const std::function<void(const std::string&)>& apply)
{
    TimePeriodDialog dialog(schedule_, times);
    dialog.SpeakIn(Words());
    if (const std::optional<std::string> period = dialog.Ask(pump_, GetAncestor(Handle(), GA_ROOT))) {
        apply(*period);
        remembered_ = schedule_.Selected();  // the list takes the focus back with this period
        ShowSchedule();
        ScheduleChange();
    }
    SetFocus(ScheduleView());
}

void UserPage::RemovePeriod()
{
    if (!schedule_.Remove())
        return;
    ShowSchedule();
    ScheduleChange();
}

void UserPage::EnterPressed()
{
    if (GetFocus() == ScheduleView() && NoModifierHeld())
        EditPeriod();
}

bool UserPage::OnCommand(int id, int code, HWND)
{
    switch (id) {
    case IDC_ADD_PERIOD: AddPeriod(); return true;
    case IDC_REMOVE_PERIOD: RemovePeriod(); return true;
    case IDC_EDIT_PERIOD: EditPeriod(); return true;
    case IDC_SCHEDULE_CHECK:
    case IDC_DURATION_CHECK:
    case IDC_NOT_COUNTED_LOCKED: {
        const char* name = id == IDC_SCHEDULE_CHECK   ? N::RestrictBySchedule
                           : id == IDC_DURATION_CHECK ? N::RestrictByDuration
                                                      : N::NotCountedWhileLocked;
        Record().values.Set(name, IsChecked(Handle(), id));
        ShowToday();
        DataChange();
        return true;
    }
    case IDC_END_SHUTDOWN: EndChosen(EndAction::ShutDown); return true;
    case IDC_END_LOGOFF: EndChosen(EndAction::LogOff); return true;
    case IDC_END_STAY_LOCKED: EndChosen(EndAction::StayLocked); return true;
    case IDC_SAME_EVERY_DAY: SetWeekdayRules(!IsChecked(Handle(), id)); return true;
    case IDC_WEEK_GRID:
        if (code == kWeekGridChanged)
            WeekGridChanged();
        return true;
    case IDC_WEEK_HOURS:
        if (const std::optional<std::int32_t> minutes = weekHours_->Notified(code)) {
            Record().values.Set(N::WeekMinutes, *minutes);
            ShowToday();
            DataChange();
        }
        return true;
    case IDC_DURATION:
    case IDC_IDLE_MINUTES: {
        const char* name = id == IDC_DURATION ? N::AllowedHours : N::IdleMinutes;
        NumberField& field = id == IDC_DURATION ? *hours_ : *idleMinutes_;
        if (const std::optional<std::int32_t> number = field.Notified(code, Record().values.Number(name))) {
            Record().values.Set(name, *number);
            if (id == IDC_DURATION)
                ShowWeek();
            DataChange();
        }
        return true;
    }
    case IDC_UPSW1:
    case IDC_UPSW2:
        if (password_->Notified(code, Record().password))
            DataChange();
        return true;
    default:
        if (id >= IDC_DAY_HOURS1 && id < IDC_DAY_HOURS1 + static_cast<int>(dayHours_.size())) {
            DayHoursChanged(static_cast<size_t>(id - IDC_DAY_HOURS1), code);
            return true;
        }
        return false;
    }
}

bool UserPage::OnNotify(const NMHDR& header, LRESULT& result)
{
    if (header.hwndFrom == buttons_ && header.code == TTN_GETDISPINFOW) {
        auto& info = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
        const TextId tip = header.idFrom == IDC_ADD_PERIOD      ? TextId::UserAddPeriod
                           : header.idFrom == IDC_REMOVE_PERIOD ? TextId::UserRemovePeriod
                                                                : TextId::UserEditPeriod;
        info.lpszText = const_cast<wchar_t*>((tipText_ = Widen(Words().Get(tip))).c_str());
        return true;
    }
    if (header.idFrom != IDC_SCHEDULE)
        return false;
    switch (header.code) {
    case LVN_ITEMCHANGED: {
        if (Filling())
            return true;
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) && ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK)) {
            schedule_.SetChecked(static_cast<size_t>(change.iItem), ListView_GetCheckState(header.hwndFrom, change.iItem));
            ScheduleChange();
        } else if ((change.uChanged & LVIF_STATE) && ((change.uNewState ^ change.uOldState) & LVIS_SELECTED)) {
            schedule_.Select(ViewSelection());
            UpdateScheduleButtons();
        }
        return true;
    }
    case NM_SETFOCUS:
        schedule_.Select(remembered_);
        ShowSchedule();
        UpdateScheduleButtons();
        return true;
    case NM_KILLFOCUS:
        remembered_ = schedule_.Selected();
        schedule_.Select(std::nullopt);
        ShowSchedule();
        UpdateScheduleButtons();
        return true;
    case NM_DBLCLK: EditPeriod(); return true;
    case LVN_KEYDOWN: {
        const WORD key = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
        if (key == VK_INSERT && NoModifierHeld())
            AddPeriod();
        else if (key == VK_DELETE && NoModifierHeld())
            RemovePeriod();
        return true;
    }
    case NM_RCLICK:
        ShowPopup();
        result = TRUE;
        return true;
    default: return false;
    }
}

void UserPage::ShowPopup()
{
    // The popup acts on the item clicked: focus and selection move there first.
    HWND view = ScheduleView();
    SetFocus(view);
    const PointerPlace pointer = PointerOver(view);
    LVHITTESTINFO hit{};
    hit.pt = pointer.client;
    const int row = ListView_HitTest(view, &hit);
    schedule_.Select(row >= 0 ? std::optional<size_t>(static_cast<size_t>(row)) : std::nullopt);
    ShowSchedule();
    UpdateScheduleButtons();
    if (const int command = PopupMenuAt(GetSubMenu(menu_.Get(), 0), pointer.screen, Handle()))
        OnCommand(command, 0, nullptr);
}

}  // namespace vardex
