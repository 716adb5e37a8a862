#include "Errors.h"

#include "Texts.h"

namespace vardex {

RegistryError RegistryError::InvalidDataType(const std::string& valueName)
{
    return RegistryError(EnglishTexts().Format(TextId::MessageInvalidDataType, {valueName}));
}

RegistryError RegistryError::FailedToSetData(const std::string& valueName)
{
    return RegistryError(EnglishTexts().Format(TextId::MessageFailedToSetData, {valueName}));
}

ConversionError ConversionError::NotAnInteger(const std::string& text)
{
    return ConversionError("'" + text + "' is not a valid integer value");
}

IoError::IoError(unsigned code) : Error(IoErrorText(code)), code_(code) {}

std::string IoErrorText(unsigned code)
{
    switch (code) {
    case 2: return "File not found";
    case 3: return "Invalid filename";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case 101: return "Disk full";
    default: return "I/O error " + std::to_string(code);
    }
}

std::string ErrorReportText(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + ".";
    return message;
}

}  // namespace vardex
