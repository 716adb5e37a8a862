#pragma once
// The statistics log: one line per confirmed password entry, "dd/mm/yyyy hh:nn:ss Event" with the
// regional date and time separators read at start, in a file per user key kept under its cap.
#include "common/Clock.h"
#include "common/Files.h"
#include "common/TimeFormat.h"
#include "config/StatisticsLogs.h"

#include <functional>
#include <string>
#include <string_view>

namespace vardex {

// The line with its CR LF ending.
std::string FormatStatisticsLine(const LocalTime& time, const RegionalFormats& formats, std::string_view eventText);

class StatisticsLog {
public:
    // Turns the line into the bytes written (the system's single-byte code page on Windows).
    using Encoder = std::function<std::string(std::string_view)>;

    // Takes a line, encoded and without its line end, that the file refused; false when it could
    // not keep it either.
    using Fallback = std::function<bool(std::string_view)>;

    StatisticsLog(FileSystem& files, Clock& clock, std::string path, RegionalFormats formats, Encoder encoder,
                  Fallback fallback = nullptr);

    // Fixes the file and the separators; the lock service does it once, right after its first
    // settings load.
    void SetPath(std::string path, RegionalFormats formats);

    // Appends one line when enabled, as AppendToStatisticsLog does; nothing at all touches the
    // file system when disabled. Raises IoError when the line cannot be written,
    // neither to the file nor through the fallback.
    void Write(bool enabled, std::string_view eventText);

    const std::string& Path() const noexcept { return path_; }

private:
    FileSystem& files_;
    Clock& clock_;
    std::string path_;
    RegionalFormats formats_;
    Encoder encoder_;
    Fallback fallback_;
};

}  // namespace vardex
