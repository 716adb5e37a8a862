#pragma once
// The general error report: a message box with the error's text, the application title as its
// caption and the error icon. The program goes on afterwards. Messages are made in English and
// shown in the reader's language.
#include "common/Reports.h"
#include "common/Texts.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace vardex {

void ShowErrorReport(HWND owner, const std::string& message, const Texts& texts = EnglishTexts()) noexcept;
// Reports the exception being handled (call it inside a catch block).
void ReportCurrentException(HWND owner) noexcept;
// The text of the exception being handled (call it inside a catch block).
std::string CurrentExceptionText() noexcept;

// Where the errors of every window's and dialog's handlers go from now on: the program sets it
// once, before it creates its windows. Without one they are shown at once.
void SetErrorSink(ErrorSink* sink) noexcept;
// Hands the exception being handled to the error sink (call it inside a catch block). On
// another thread than the sink's it is kept for SubmitOtherThreadsErrors.
void ReportCurrentError() noexcept;
// On the sink's thread: hands it what the other threads reported meanwhile.
void SubmitOtherThreadsErrors() noexcept;

// Reports as message boxes. They have no owner: a box disables its owner, and a disabled lock
// screen could never be unlocked if a lock session started while the box was open.
class MessageBoxReportDisplay final : public ReportDisplay {
public:
    // skip: true when reports are to be dropped (the program is ending).
    explicit MessageBoxReportDisplay(std::function<bool()> skip = {}) : skip_(std::move(skip)) {}
    void Show(const Report& report) override;
    void SpeakIn(std::shared_ptr<const Texts> texts) noexcept { texts_ = std::move(texts); }

private:
    std::function<bool()> skip_;
    std::shared_ptr<const Texts> texts_ = std::make_shared<const Texts>();
};

}  // namespace vardex
