#pragma once
// Whether the words of a program's dialog templates fit their controls in a language, at this
// display's resolution: each template is made hidden from the program file and put in the
// language as the program puts it.
#include "common/Texts.h"

#include <windows.h>

#include <optional>
#include <string>

namespace vardex::test {

// Prints each label, check box, radio button, group box and push button whose words do not fit,
// then how many dialogs and misfits there were; 0 when every dialog was made and all fit.
int TemplateFit(const std::wstring& program, Language language);

}  // namespace vardex::test
