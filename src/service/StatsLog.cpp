#include "StatsLog.h"

#include "common/Errors.h"

#include <cstdio>

namespace vardex {

namespace {
std::string Digits(int value, int width)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
    return buffer;
}
}  // namespace

std::string FormatStatisticsLine(const LocalTime& t, const RegionalFormats& formats, std::string_view eventText)
{
    const std::string& date = formats.dateSeparator;
    const std::string& time = formats.timeSeparator;
    std::string line = Digits(t.day, 2) + date + Digits(t.month, 2) + date + Digits(t.year, 4) + " " +
                       Digits(t.hour, 2) + time + Digits(t.minute, 2) + time + Digits(t.second, 2) + " ";
    line += eventText;
    line += "\r\n";
    return line;
}

StatisticsLog::StatisticsLog(FileSystem& files, Clock& clock, std::string path, RegionalFormats formats, Encoder encoder,
                             Fallback fallback)
    : files_(files), clock_(clock), path_(std::move(path)), formats_(std::move(formats)), encoder_(std::move(encoder)),
      fallback_(std::move(fallback))
{
}

void StatisticsLog::SetPath(std::string path, RegionalFormats formats)
{
    path_ = std::move(path);
    formats_ = std::move(formats);
}

void StatisticsLog::Write(bool enabled, std::string_view eventText)
{
    if (!enabled)
        return;
    const std::string line = FormatStatisticsLine(clock_.Now(), formats_, eventText);
    const std::string bytes = encoder_ ? encoder_(line) : line;
    try {
        AppendToStatisticsLog(files_, path_, bytes);
    } catch (const IoError&) {
        const std::string_view withoutEnd = std::string_view(bytes).substr(0, bytes.find_last_not_of("\r\n") + 1);
        if (!fallback_ || !fallback_(withoutEnd))
            throw;
    }
}

}  // namespace vardex
