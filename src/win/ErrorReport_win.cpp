#include "ErrorReport_win.h"

#include "common/Application.h"
#include "common/Errors.h"
#include "common/Texts.h"
#include "TextConvert_win.h"

#include <mutex>
#include <vector>

namespace vardex {

void ShowErrorReport(HWND owner, const std::string& message, const Texts& texts) noexcept
{
    try {
        const std::wstring text = Widen(ErrorReportText(texts.TranslateMessage(message)));
        const std::wstring caption = Widen(kApplicationTitle);
        MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
    } catch (...) {
        MessageBoxW(owner, L"Out of memory.", L"PC Vardex", MB_OK | MB_ICONERROR);
    }
}

std::string CurrentExceptionText() noexcept
{
    try {
        throw;
    } catch (const std::exception& error) {
        try {
            return error.what();
        } catch (...) {
        }
    } catch (...) {
    }
    return EnglishText(TextId::MessageUnknownError);
}

void ReportCurrentException(HWND owner) noexcept
{
    ShowErrorReport(owner, CurrentExceptionText());
}

namespace {
ErrorSink* errorSink = nullptr;
DWORD sinkThread = 0;
// Errors of the program's other threads (a prompt on its own desktop), for the sink's thread:
// the sink is not shared between threads, and a box of theirs might show in a lock.
std::mutex otherThreadsMutex;
std::vector<std::string> otherThreadsErrors;
constexpr std::size_t kMaxOtherThreadsErrors = 16;
}  // namespace

void SetErrorSink(ErrorSink* sink) noexcept
{
    errorSink = sink;
    sinkThread = GetCurrentThreadId();
}

void SubmitOtherThreadsErrors() noexcept
{
    std::vector<std::string> errors;
    {
        const std::lock_guard lock(otherThreadsMutex);
        errors.swap(otherThreadsErrors);
    }
    for (std::string& text : errors) {
        try {
            errorSink->ReportError(std::move(text));
        } catch (...) {
        }
    }
}

void ReportCurrentError() noexcept
{
    if (!errorSink) {
        ShowErrorReport(nullptr, CurrentExceptionText());
        return;
    }
    if (GetCurrentThreadId() != sinkThread) {
        try {
            const std::lock_guard lock(otherThreadsMutex);
            if (otherThreadsErrors.size() < kMaxOtherThreadsErrors)
                otherThreadsErrors.push_back(CurrentExceptionText());
        } catch (...) {
        }
        return;
    }
    try {
        errorSink->ReportError(CurrentExceptionText());
    } catch (...) {
        // No memory even to queue it: dropped, since a box shown now might be shown in a lock.
    }
}

void MessageBoxReportDisplay::Show(const Report& report)
{
    if (skip_ && skip_())
        return;
    if (report.kind == ReportKind::Error) {
        ShowErrorReport(nullptr, report.text, *texts_);
        return;
    }
    const std::wstring text = Widen(texts_->TranslateMessage(report.text));
    const std::wstring caption = Widen(texts_->Get(TextId::BoxInformation));
    MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

}  // namespace vardex
