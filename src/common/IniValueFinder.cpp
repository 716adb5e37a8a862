#include "IniValueFinder.h"

#include "Text.h"

namespace vardex {

namespace {
constexpr char kOpaqueStart = '\x03';
constexpr char kOpaqueEnd = '\x04';
constexpr char kEndOfText = '\x1A';
constexpr char kLineEnd = '\n';
constexpr char kCarriageReturn = '\r';
}  // namespace

IniValueFinder::IniValueFinder(std::string_view section, std::string_view key)
    : section_(section), key_(key)
{
}

bool IniValueFinder::Feed(std::string_view piece)
{
    for (const char c : piece) {
        if (Done())
            break;
        if (c == kEndOfText) {
            Finish();
            textEnded_ = true;
        } else if (c == kLineEnd) {
            ProcessLine(line_);
            line_.clear();
        } else if (c != kCarriageReturn) {
            line_ += c;
        }
    }
    return !Done();
}

void IniValueFinder::Finish()
{
    if (!Done() && !line_.empty())
        ProcessLine(line_);
    line_.clear();
}

void IniValueFinder::ProcessLine(std::string_view line)
{
    if (line.size() == 1 && line[0] == kOpaqueEnd)
        opaque_ = false;
    if (!opaque_) {
        const std::string_view trimmed = TrimControl(line);
        if (!trimmed.empty() && trimmed[0] == '[') {
            const size_t close = trimmed.find(']', 1);
            if (close != std::string_view::npos)
                inWantedSection_ = SameTextAscii(trimmed.substr(1, close - 1), section_);
        }
        if (inWantedSection_) {
            const std::string_view leftTrimmed = TrimLeftControl(line);
            const size_t equals = leftTrimmed.find('=');
            const std::string_view lineKey = equals == std::string_view::npos ? std::string_view() : leftTrimmed.substr(0, equals);
            if (SameTextAscii(lineKey, key_)) {
                const size_t valueStart = line.find('=');
                const std::string_view value = valueStart == std::string_view::npos ? std::string_view() : line.substr(valueStart + 1);
                if (!(value.size() == 1 && value[0] == kOpaqueStart)) {
                    value_ = value;
                    found_ = true;
                    return;
                }
            }
        }
    }
    if (line.find(kOpaqueStart) != std::string_view::npos)
        opaque_ = true;
}

}  // namespace vardex
