#pragma once
// "Settings for user ...": one listed user's password, allowed periods of the day and allowed
// hours per day, edited straight into that user's record; and the Time Period dialog.
#include "ConfigFields_win.h"
#include "ConfigPage_win.h"
#include "ScheduleList.h"
#include "WeekGridControl_win.h"
#include "win/MessagePump_win.h"

#include <array>
#include <functional>
#include <string>
#include <utility>

namespace vardex {

// The Time Period dialog: two times of day; the period's text when confirmed.
class TimePeriodDialog final : public Dialog {
public:
    TimePeriodDialog(const ScheduleList& list, std::pair<ClockTime, ClockTime> times) : list_(list), times_(times) {}
    // The text of the confirmed period, or nothing when cancelled.
    std::optional<std::string> Ask(MessagePump& pump, HWND owner);

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void SetTimes(const ClockTime& from, const ClockTime& till);
    ClockTime TimeOf(int pickerId) const;

    const ScheduleList& list_;
    std::pair<ClockTime, ClockTime> times_;
    std::optional<std::string> period_;
};

class UserPage final : public ConfigPage {
public:
    // isCurrentUser tells whether a user key is the user of this session (whose title icon differs).
    UserPage(ConfigModel& model, std::function<void()> onChange, MessagePump& pump, RegionalFormats timeFormats,
             std::function<bool(const std::string&)> isCurrentUser)
        : ConfigPage(model, std::move(onChange)), pump_(pump), schedule_(std::move(timeFormats)),
          isCurrentUser_(std::move(isCurrentUser))
    {
    }
    // The user node's record, under its title and icon.
    void ShowFor(const NavigationNodes& nodes, int node) override;
    void ChangeLook(const PageLook& look) override;
    // The password fields show the mark of a kept password again, not what was typed.
    void Saved() override;
    bool MayLeave() override;
    // Enter on the schedule list (the window's default button): edits the selected period.
    void EnterPressed() override;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;

private:
    std::wstring tipText_;  // the schedule button's hint shown
    HWND ScheduleView() const noexcept { return Item(IDC_SCHEDULE); }
    void ShowUser(size_t userIndex);
    // The look of the schedule buttons for the window's resolution.
    void SetButtonIcons(int size);
    UserRecord& Record();
    void ShowSchedule();
    // What the checked periods allow together, under the list, as large as its text.
    void ShowScheduleSummary();
    void ScheduleChange();
    void UpdateScheduleButtons();
    void AddPeriod();
    void EditPeriod();
    // The Time Period dialog from these times; what it gives is applied to the list, kept
    // selected and shown.
    void AskPeriod(std::pair<ClockTime, ClockTime> times, const std::function<void(const std::string&)>& apply);
    void RemovePeriod();
    bool NoModifierHeld() const noexcept;
    // The schedule's popup menu at the pointer, on the period under it.
    void ShowPopup();
    std::optional<size_t> ViewSelection() const;
    // The week: the grid and the weekdays' hours, their own or (same every day, or a day
    // without its own) the every-day rule's; enabled while the weekdays have rules of their own.
    void ShowWeek();
    void SetWeekdayRules(bool own);
    void WeekGridChanged();
    void DayHoursChanged(size_t row, int code);
    void EndChosen(EndAction end);
    // What the service would do today, in one line, from the values the page holds now.
    void ShowToday();
    // The every-day rule's time of each weekday, as the grid shows it.
    WeekPeriods EveryDayWeek();

    MessagePump& pump_;
    ScheduleList schedule_;
    std::function<bool(const std::string&)> isCurrentUser_;
    size_t user_ = 0;
    std::optional<PasswordPairFields> password_;
    std::optional<NumberField> hours_;
    std::optional<NumberField> idleMinutes_;
    std::optional<HoursMinutesField> weekHours_;
    std::array<std::optional<HoursMinutesField>, 7> dayHours_;  // by row shown
    WeekGridControl grid_;
    UniqueIcon currentUserIcon_;
    std::optional<size_t> remembered_;
    RECT summaryRoom_{};  // where the template places the summary, and the most it may take
    UniqueMenu menu_;
    HWND buttons_ = nullptr;
    UniqueImageList buttonImages_;
};

}  // namespace vardex
