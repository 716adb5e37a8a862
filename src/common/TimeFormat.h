#pragma once
// Regional time formats: how the system writes a time of day in its short form and how it reads
// one back. Times of day are fractions of a day (0 for 00:00, 0.375 for 09:00).
#include <optional>
#include <string>
#include <string_view>

namespace vardex {

struct RegionalFormats {
    std::string timeSeparator = ":";
    std::string dateSeparator = "/";
    std::string amDesignator = "AM";
    std::string pmDesignator = "PM";
    // A Windows time picture: h/hh (12-hour), H/HH (24-hour), m/mm, s/ss, t/tt (the designator),
    // text in single quotes; every other character is written as it stands.
    std::string shortTimePicture = "HH:mm";
    // The week's first day: 0 Monday ... 6 Sunday.
    int firstWeekday = 0;
};

// The time of day hour:minute written with the short time picture.
std::string FormatShortTime(const RegionalFormats& formats, int hour, int minute);

// Reads a time of day as the system's time parser does: hours, then optionally the regional
// separator (or ":") and minutes, again seconds, then "." and milliseconds; the regional AM/PM
// designators (or "AM"/"PM", any letter case) before or after. Blanks may surround each part.
// Nothing when the text is not such a time.
std::optional<double> ParseTimeOfDay(const RegionalFormats& formats, std::string_view text);

}  // namespace vardex
