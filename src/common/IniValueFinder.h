#pragma once
// Looks for one key of one section in INI text fed in pieces, by the rules of the INI reader:
// LF ends a line, CR is dropped, code 26 ends the text, names compare with ASCII case folding,
// and lines between a line holding code 3 and a line of exactly code 4 are opaque.
#include <string>
#include <string_view>

namespace vardex {

class IniValueFinder {
public:
    IniValueFinder(std::string_view section, std::string_view key);

    // Takes the next piece of the text; false once nothing more needs to be read.
    bool Feed(std::string_view piece);
    // Ends the text: the last line counts even without a line end.
    void Finish();

    bool Found() const noexcept { return found_; }
    const std::string& Value() const noexcept { return value_; }

private:
    bool Done() const noexcept { return found_ || textEnded_; }
    void ProcessLine(std::string_view line);

    std::string section_;
    std::string key_;
    std::string line_;
    std::string value_;
    bool inWantedSection_ = false;
    bool opaque_ = false;
    bool found_ = false;
    bool textEnded_ = false;
};

}  // namespace vardex
