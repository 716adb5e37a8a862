#include "TimeFormat.h"

#include "DateTime.h"
#include "Text.h"

#include <cstddef>

namespace vardex {

namespace {

std::string TwoDigits(int value)
{
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

// Length of the run of the same character starting at pos.
size_t RunLength(std::string_view text, size_t pos)
{
    size_t end = pos;
    while (end < text.size() && text[end] == text[pos])
        ++end;
    return end - pos;
}

std::string FormatField(char letter, size_t count, int hour, int minute,
                        const RegionalFormats& formats)
{
    const bool pm = hour >= 12;
    switch (letter) {
    case 'h': {
        const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
        return count >= 2 ? TwoDigits(hour12) : std::to_string(hour12);
    }
    case 'H': return count >= 2 ? TwoDigits(hour) : std::to_string(hour);
    case 'm': return count >= 2 ? TwoDigits(minute) : std::to_string(minute);
    case 's': return count >= 2 ? "00" : "0";
    default: {  // 't'
        const std::string& designator = pm ? formats.pmDesignator : formats.amDesignator;
        return count >= 2 ? designator : designator.substr(0, 1);
    }
    }
}

class TimeScanner {
public:
    TimeScanner(const RegionalFormats& formats, std::string_view text) : formats_(formats), text_(text) {}

    std::optional<double> Scan()
    {
        int hour = 0, minute = 0, second = 0, millisecond = 0;
        int designator = ScanDesignator();  // -1 none, 0 AM, 12 PM
        if (!ScanNumber(hour))
            return std::nullopt;
        if (ScanSeparator()) {
            if (!ScanNumber(minute))
                return std::nullopt;
            if (ScanSeparator()) {
                if (!ScanNumber(second))
                    return std::nullopt;
                if (ScanLiteral(".") && !ScanNumber(millisecond))
                    return std::nullopt;
            }
        }
        if (designator < 0)
            designator = ScanDesignator();
        SkipBlanks();
        if (pos_ != text_.size())
            return std::nullopt;
        if (designator >= 0) {
            if (hour > 12)
                return std::nullopt;
            hour = (hour == 12 ? 0 : hour) + designator;
        }
        if (hour > 23 || minute > 59 || second > 59 || millisecond > 999)
            return std::nullopt;
        return TimeOfDayFraction(hour, minute, second, millisecond);
    }

private:
    void SkipBlanks()
    {
        while (pos_ < text_.size() && text_[pos_] == ' ')
            ++pos_;
    }

    bool ScanNumber(int& value)
    {
        SkipBlanks();
        constexpr size_t kMaxDigits = 4;
        const size_t start = pos_;
        value = 0;
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9' && pos_ - start < kMaxDigits)
            value = value * 10 + (text_[pos_++] - '0');
        return pos_ > start;
    }

    bool ScanLiteral(std::string_view literal)
    {
        SkipBlanks();
        if (literal.empty() || !SameTextAscii(text_.substr(pos_, literal.size()), literal))
            return false;
        pos_ += literal.size();
        return true;
    }

    // A regional symbol with a digit in it would change what the digits of a time mean ("1" as
    // the AM symbol makes 17:00 read as 7 AM): such a symbol is not looked for.
    bool ScanRegional(std::string_view symbol)
    {
        return symbol.find_first_of("0123456789") == std::string_view::npos && ScanLiteral(symbol);
    }

    // ":" is read too: times written before the regional separator changed stay readable.
    bool ScanSeparator() { return ScanRegional(formats_.timeSeparator) || ScanLiteral(":"); }

    int ScanDesignator()
    {
        if (ScanRegional(formats_.amDesignator) || ScanLiteral("AM"))
            return 0;
        if (ScanRegional(formats_.pmDesignator) || ScanLiteral("PM"))
            return 12;
        return -1;
    }

    const RegionalFormats& formats_;
    std::string_view text_;
    size_t pos_ = 0;
};

}  // namespace

std::string FormatShortTime(const RegionalFormats& formats, int hour, int minute)
{
    const std::string_view picture = formats.shortTimePicture;
    std::string result;
    size_t pos = 0;
    while (pos < picture.size()) {
        const char c = picture[pos];
        if (c == '\'') {
            const size_t close = picture.find('\'', pos + 1);
            const size_t end = close == std::string_view::npos ? picture.size() : close;
            result.append(picture.substr(pos + 1, end - pos - 1));
            pos = end + 1;
        } else if (c == 'h' || c == 'H' || c == 'm' || c == 's' || c == 't') {
            const size_t count = RunLength(picture, pos);
            result += FormatField(c, count, hour, minute, formats);
            pos += count;
        } else if (c == ':') {
            result += formats.timeSeparator;
            ++pos;
        } else {
            result += c;
            ++pos;
        }
    }
    return result;
}

std::optional<double> ParseTimeOfDay(const RegionalFormats& formats, std::string_view text)
{
    return TimeScanner(formats, text).Scan();
}

}  // namespace vardex
