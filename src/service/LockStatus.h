#pragma once
// What the person at the locked PC is told, in words: the status block of the lock screen (who
// is locked, the time, how to unlock, where they stand under their rules), the warnings before
// their time runs out and the news of attempts on their password. The rules and the trusted time
// are the ones the restrictions enforce, so the words never promise what the lock will not keep.
#include "common/Texts.h"
#include "common/TimeFormat.h"
#include "config/Settings.h"
#include "rules/WeekRules.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vardex {

// Whether the rules restrict the user at all.
bool Restricts(const WeekRules& rules) noexcept;

// Where the restrictions stand: expired (and with which end, how long the grace still runs) or
// not, and what the rules say at this moment.
struct RestrictionView {
    bool expired = false;
    EndAction end = EndAction::ShutDown;
    std::int64_t graceLeftSeconds = 0;
    Standing standing;
};

// One line of where the user stands: "1 h 20 min left today (until 18:00)", "Not allowed now.
// Next: 15:00–18:00", "Time is up: this PC shuts down in 4:32"; empty for a user the rules do not
// restrict, or one without an end in sight.
std::string StandingLine(const WeekRules& rules, LocalMoment now, const RestrictionView& view,
                         const RegionalFormats& formats, const Texts& texts);

// The lines of the status block, top to bottom.
struct StatusLines {
    std::string clock;     // "14:02", large
    std::string date;      // the short date of the system's regional settings
    std::string user;      // the locked user
    std::string standing;  // may be empty
    std::string hint;      // how to unlock
    bool urgent = false;   // the time is up or nearly so: shown in a warning colour
};

// "5 minutes left today. Your time ends at 18:00."
std::string EndWarningText(std::int32_t minutes, LocalMoment end, const RegionalFormats& formats, const Texts& texts);
// "3 failed unlock attempts since your last unlock; the last at 14:02".
std::string FailedAttemptsText(std::uint32_t count, LocalMoment last, const RegionalFormats& formats,
                               const Texts& texts);

// The warnings before the end: each threshold (minutes before the end of the day's hours, the
// week's budget or the allowed period, whichever comes first) is announced once as the time left
// passes it. Thresholds passed at the first reading after a start are not announced; one the
// time left climbs back above (the end moved further away) is announced again.
class EndWarnings {
public:
    void SetThresholds(std::vector<std::int32_t> minutes);
    // secondsLeft: the time left, none without an end in sight. mayShow: false while nothing is
    // shown (the lock screen shows the time itself): thresholds passed then stay unannounced. The
    // threshold to announce now, if any (the smallest of those just passed).
    std::optional<std::int32_t> Take(std::optional<std::int64_t> secondsLeft, bool mayShow);

private:
    std::vector<std::int32_t> thresholds_;
    std::vector<bool> armed_;
    bool started_ = false;
};

}  // namespace vardex
