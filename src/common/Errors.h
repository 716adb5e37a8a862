#pragma once
// Errors are exceptions carrying the text the user sees in the general error report.
#include <stdexcept>
#include <string>

namespace vardex {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A registry value of the wrong type, or a value that could not be written.
class RegistryError : public Error {
public:
    using Error::Error;
    static RegistryError InvalidDataType(const std::string& valueName);
    static RegistryError FailedToSetData(const std::string& valueName);
};

// A text that does not convert to the number or time it should hold.
class ConversionError : public Error {
public:
    using Error::Error;
    static ConversionError NotAnInteger(const std::string& text);
};

// A file that cannot be opened, read or written; Code() is the system error code.
class IoError : public Error {
public:
    explicit IoError(unsigned code);
    unsigned Code() const noexcept { return code_; }

private:
    unsigned code_;
};

// The runtime's text for an input/output error code ("File not found", "I/O error 87").
std::string IoErrorText(unsigned code);

// The text of the general error report: a full stop is added when the last character sorts
// after "." (so "Disk full" becomes "Disk full." but "Done!" stays as it is).
std::string ErrorReportText(const std::string& message);

}  // namespace vardex
