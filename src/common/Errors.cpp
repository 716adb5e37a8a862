#include "Errors.h"

#include "Texts.h"

namespace vardex {

RegistryError RegistryError::InvalidDataType(const std::string& valueName)
{
    return RegistryError(EnglishMessage(TextId::MessageInvalidDataType, {valueName}));
}

RegistryError RegistryError::FailedToSetData(const std::string& valueName)
{
    return RegistryError(EnglishMessage(TextId::MessageFailedToSetData, {valueName}));
}

ConversionError ConversionError::NotAnInteger(const std::string& text)
{
    return ConversionError(EnglishMessage(TextId::MessageNotAnInteger, {text}));
}

IoError::IoError(unsigned code) : Error(IoErrorText(code)), code_(code) {}

std::string IoErrorText(unsigned code)
{
    switch (code) {
    case 2: return EnglishText(TextId::MessageFileNotFound);
    case 3: return EnglishText(TextId::MessageInvalidFilename);
    case 4: return EnglishText(TextId::MessageTooManyOpenFiles);
    case 5: return EnglishText(TextId::MessageFileAccessDenied);
    case 101: return EnglishText(TextId::MessageDiskFull);
    default: return EnglishMessage(TextId::MessageIoError, {std::to_string(code)});
    }
}

std::string ErrorReportText(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + ".";
    return message;
}

}  // namespace vardex
