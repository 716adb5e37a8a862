// Feeds arbitrary schedule texts to the parser and the editor's decoder: no crash, every line
// the parser writes holds two day fractions in [0, 1) or is the line that allows no time, and
// decoding is stable after encoding.
#include "config/Schedule.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vardex;
    const std::string text(reinterpret_cast<const char*>(data), size);
    RegionalFormats formats[2];
    formats[1].shortTimePicture = "h:mm tt";
    formats[1].timeSeparator = ".";
    for (const RegionalFormats& format : formats) {
        std::vector<std::string> lines;
        const ScheduleParseResult result = ParseSchedule(text, format, lines);
        if (static_cast<size_t>(result.added) != lines.size())
            __builtin_trap();
        for (const std::string& line : lines) {
            if (line == kNoTimePeriodLine)
                continue;
            const size_t equals = line.find('=');
            const double from = std::strtod(line.substr(0, equals).c_str(), nullptr);
            const double till = std::strtod(line.substr(equals + 1).c_str(), nullptr);
            if (equals == std::string::npos || !(from >= 0 && from < 1) || !(till >= 0 && till < 1))
                __builtin_trap();
        }
    }
    const std::vector<SchedulePeriod> decoded = DecodeSchedule(text);
    const std::string encoded = EncodeSchedule(decoded);
    if (EncodeSchedule(DecodeSchedule(encoded)) != encoded)
        __builtin_trap();
    return 0;
}
