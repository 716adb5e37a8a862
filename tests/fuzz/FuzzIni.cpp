// Feeds arbitrary bytes to the INI reader: the first line names the section and the key (split
// at the first "|"), the rest is the file, cut into pieces at arbitrary points.
#include "common/IniValueFinder.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t newline = input.find('\n');
    const std::string_view header = input.substr(0, newline);
    const std::string_view text = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
    const size_t bar = header.find('|');
    const std::string_view section = header.substr(0, bar);
    const std::string_view key = bar == std::string_view::npos ? std::string_view() : header.substr(bar + 1);

    // The same text read whole and read in pieces must give the same answer.
    vardex::IniValueFinder whole(section, key);
    whole.Feed(text);
    whole.Finish();
    vardex::IniValueFinder pieces(section, key);
    const size_t step = 1 + size % 13;
    for (size_t pos = 0; pos < text.size(); pos += step)
        if (!pieces.Feed(text.substr(pos, step)))
            break;
    pieces.Finish();
    if (whole.Found() != pieces.Found() || whole.Value() != pieces.Value())
        __builtin_trap();
    if (whole.Found() && whole.Value().find('\n') != std::string::npos)
        __builtin_trap();  // a value never spans lines
    return 0;
}
