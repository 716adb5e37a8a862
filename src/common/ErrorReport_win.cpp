#include "ErrorReport_win.h"

#include "Application.h"
#include "Errors.h"
#include "TextConvert_win.h"

namespace vardex {

void ShowErrorReport(HWND owner, const std::string& message) noexcept
{
    try {
        const std::wstring text = Widen(ErrorReportText(message));
        const std::wstring caption = Widen(kApplicationTitle);
        MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
    } catch (...) {
        MessageBoxW(owner, L"Out of memory.", L"PC Vardex", MB_OK | MB_ICONERROR);
    }
}

void ReportCurrentException(HWND owner) noexcept
{
    try {
        throw;
    } catch (const std::exception& error) {
        ShowErrorReport(owner, error.what());
    } catch (...) {
        ShowErrorReport(owner, "Unknown error");
    }
}

}  // namespace vardex
